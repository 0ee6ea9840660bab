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
// True when the system code page can write the text exactly.
bool gChkAnsiWritable(std::string_view utf8);
// The text in the system code page, each character the code page lacks written as <U+XXXX> (no file name
// can hold "<" or ">", so the escape never reads as part of a name), so that a text file in the code page
// still names every file exactly.
std::string gToAnsiEscaped(std::string_view utf8);
// The same for an HTML page in the system code page: numeric character references (&#xE9;).
std::string gToAnsiHtml(std::string_view utf8);

// Removes leading and trailing blanks (spaces only, as the Basic-era Trim did).
std::string gTrim(std::string_view text);
// ASCII upper case; double-byte characters are left alone.
std::string gUpperAscii(std::string_view text);
