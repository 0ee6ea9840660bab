// The recursive file search behind folder sizes and the Favorites index page.
#pragma once
#include <windows.h>

#include <string>

// Entries of the annotated list: marker + level + "*" + full path, each line ended by CR LF.
inline constexpr char kFindFileMarker[] = "_____file";
inline constexpr char kFindDirMarker[] = "directory";

// Searches folder for files whose names contain one of the ";"-separated patterns (wildcards "*" and "?"),
// optionally below it too. Found files go to listBox when given, else to result; foundCount and totalSize
// (whole 64-bit sizes) grow with each. A caption label, when given, shows the folder being searched.
// The size and count limits apply only when their flags are set. depth is 0 at the top.
bool gFindFile(const std::string& folder, const std::string& patterns, bool recurse, HWND listBox,
               HWND captionLabel, bool fullPath, std::string& result, bool useMinSize, double minSize,
               bool useMaxSize, double maxSize, bool useCountLimit, long countLimit, long& foundCount,
               double& totalSize, bool listFolders, bool annotate, long depth);
