// Text helpers shared by the whole program: split, replace, quote, trailing backslash, weekday names.
#pragma once
#include <string>
#include <vector>

// Splits text at separator into pieces, from lastIndex on; lastIndex ends at the last piece's index.
bool gProcCharSplit(const std::string& text, const std::string& separator, std::vector<std::string>& pieces,
                    long& lastIndex);
// Replaces occurrences of search by replacement, one per counter step, until counter reaches limit.
bool gProcTransString(std::string& text, const std::string& search, const std::string& replacement, long limit,
                      long& counter);
// The text in double quotes when it holds a comma or a blank.
std::string gAddQuote(const std::string& text);
// The path without one trailing "\".
std::string gUnRoot(const std::string& path);
// The local time as "yyyy/mm/dd hh:nn:ss" (19 characters), as the log and the recorded results show it.
std::string gGetNowText();
// The weekday as the locale's abbreviated name followed by "曜日" (月曜日 for a Monday).
std::string gGetWeekJapanese(int year, int month, int day);
