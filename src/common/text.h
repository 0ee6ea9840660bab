// Text conversions: the program's UTF-8 strings to and from the system code page and UTF-16.
#pragma once
#include <string>
#include <string_view>

// UTF-8 to the system's ANSI code page (932 on Japanese Windows), for every ...A entry point.
std::string gToAnsi(std::string_view utf8);
// The system's ANSI code page to UTF-8.
std::string gFromAnsi(std::string_view ansi);
// UTF-8 to UTF-16, for window text and wide entry points.
std::wstring gToWide(std::string_view utf8);
// UTF-16 to UTF-8.
std::string gFromWide(std::wstring_view wide);

// Removes leading and trailing blanks (spaces only, as the Basic-era Trim did).
std::string gTrim(std::string_view text);
// ASCII upper case; double-byte characters are left alone.
std::string gUpperAscii(std::string_view text);
