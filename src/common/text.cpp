// Text conversions between UTF-8, the system code page and UTF-16, done in this one place.
#include "common/text.h"

#include <windows.h>

namespace {

std::wstring mToWide(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string mFromWide(std::wstring_view wide, UINT codePage) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                        nullptr);
  return out;
}

}  // namespace

std::string gToAnsi(std::string_view utf8) { return mFromWide(mToWide(utf8, CP_UTF8), CP_ACP); }
std::string gFromAnsi(std::string_view ansi) { return mFromWide(mToWide(ansi, CP_ACP), CP_UTF8); }
std::wstring gToWide(std::string_view utf8) { return mToWide(utf8, CP_UTF8); }
std::string gFromWide(std::wstring_view wide) { return mFromWide(wide, CP_UTF8); }

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
