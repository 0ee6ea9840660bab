// Text conversions between UTF-8, the system code page and UTF-16, done in this one place.
#include "common/text.h"

#include <windows.h>

#include <cstdio>

namespace {

std::wstring mToWide(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// Into the code page without "best fit": a character it lacks becomes "?", never a look-alike ("café" must
// not become "cafe", the name of another file). lossy, when given, says whether that happened.
std::string mFromWide(std::wstring_view wide, UINT codePage, bool* lossy = nullptr) {
  if (lossy != nullptr) *lossy = false;
  if (wide.empty()) return {};
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL used = FALSE;
  BOOL* usedDefault = codePage == CP_UTF8 ? nullptr : &used;
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, usedDefault);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                        nullptr);
  if (lossy != nullptr) *lossy = used != FALSE;
  return out;
}

// The text in the code page, each character it lacks written by the format (given the code point).
std::string mToAnsiWith(std::string_view utf8, const char* escapeFormat) {
  const std::wstring wide = mToWide(utf8, CP_UTF8);
  std::string out;
  for (size_t i = 0; i < wide.size(); ++i) {
    const size_t n = (wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < wide.size()) ? 2 : 1;
    bool lossy = false;
    const std::string one = mFromWide(std::wstring_view(wide.data() + i, n), CP_ACP, &lossy);
    if (!lossy) {
      out += one;
    } else {
      const unsigned long code = n == 2 ? 0x10000 + ((wide[i] - 0xD800UL) << 10) + (wide[i + 1] - 0xDC00UL) : wide[i];
      char escape[16];
      std::snprintf(escape, sizeof escape, escapeFormat, code);
      out += escape;
    }
    i += n - 1;
  }
  return out;
}

}  // namespace

std::string gToAnsi(std::string_view utf8) { return mFromWide(mToWide(utf8, CP_UTF8), CP_ACP); }
std::string gFromAnsi(std::string_view ansi) { return mFromWide(mToWide(ansi, CP_ACP), CP_UTF8); }
std::wstring gToWide(std::string_view utf8) { return mToWide(utf8, CP_UTF8); }
std::string gFromWide(std::wstring_view wide) { return mFromWide(wide, CP_UTF8); }

bool gChkAnsiWritable(std::string_view utf8) {
  bool lossy = false;
  mFromWide(mToWide(utf8, CP_UTF8), CP_ACP, &lossy);
  return !lossy;
}

std::string gToAnsiEscaped(std::string_view utf8) { return mToAnsiWith(utf8, "<U+%04lX>"); }

std::string gToAnsiHtml(std::string_view utf8) { return mToAnsiWith(utf8, "&#x%lX;"); }

std::string gTrim(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string gUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}
