// Text helpers: splitting, replacing, quoting, trailing backslashes, Japanese weekday names.
#include "common/char_helpers.h"

#include <windows.h>

#include <chrono>
#include <cstdio>

#include "common/error_log.h"
#include "common/text.h"

bool gProcCharSplit(const std::string& text, const std::string& separator, std::vector<std::string>& pieces,
                    long& lastIndex) {
  try {
    if (separator.empty()) return true;
    if (text.find(separator) == std::string::npos) {
      pieces.assign(1, text);
      return true;
    }
    std::string rest = text;
    for (;;) {
      const size_t at = rest.find(separator);
      const std::string piece = at == std::string::npos ? rest : rest.substr(0, at);
      pieces.resize(static_cast<size_t>(lastIndex) + 1);
      pieces[static_cast<size_t>(lastIndex)] = piece;
      rest = at == std::string::npos ? std::string() : rest.substr(at + separator.size());
      if (rest.empty()) break;
      ++lastIndex;
    }
    return true;
  } catch (...) {
    gErrRaise(5, "gProcCharSplit");
    gProcError("gProcCharSplit", "");
    return false;
  }
}

bool gProcTransString(std::string& text, const std::string& search, const std::string& replacement, long limit,
                      long& counter) {
  try {
    size_t from = 0;
    while (counter != limit) {
      ++counter;
      const size_t at = search.empty() ? std::string::npos : text.find(search, from);
      if (at == std::string::npos) break;
      text.replace(at, search.size(), replacement);
      from = at + replacement.size();
    }
    return true;
  } catch (...) {
    gErrRaise(5, "gProcTransString");
    gProcError("gProcTransString", "");
    return false;
  }
}

std::string gAddQuote(const std::string& text) {
  if (text.find(',') != std::string::npos || text.find(' ') != std::string::npos) return "\"" + text + "\"";
  return text;
}

std::string gUnRoot(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
  return path;
}

std::string gGetWeekJapanese(int year, int month, int day) {
  using namespace std::chrono;
  const year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                            std::chrono::day(static_cast<unsigned>(day))};
  if (!date.ok()) {
    gErrRaise(5, "invalid date");
    gProcError("gGetWeekJapanese", "");
    return {};
  }
  const unsigned sunday0 = weekday(sys_days(date)).c_encoding();
  // The locale numbers its abbreviated names from Monday (1) to Sunday (7).
  const LCTYPE item = LOCALE_SABBREVDAYNAME1 + (sunday0 + 6) % 7;
  wchar_t name[32] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, item, name, 32) == 0) {
    gErrRaiseLastError();
    gProcError("gGetWeekJapanese", "");
    return {};
  }
  return gFromWide(name) + "曜日";
}

std::string gGetNowText() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%04u/%02u/%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
  return buf;
}
