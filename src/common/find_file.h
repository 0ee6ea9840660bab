// The recursive file search behind folder sizes and the Favorites index page.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

// Entries of the annotated list: marker + level + "*" + full path, each line ended by CR LF.
inline constexpr char kFindFileMarker[] = "_____file";
inline constexpr char kFindDirMarker[] = "directory";

// What a search looks for and where its finds go.
struct FindFileOptions {
  std::string patterns = "*";  // ";"-separated parts of names, with the wildcards "*" and "?"
  bool recurse = true;         // the subfolders too
  bool fullPath = true;        // a plain list holds whole paths rather than bare names
  bool listFolders = false;    // each subfolder goes on the list before its files
  bool annotate = false;       // marker + level + "*" + full path, each line ended by CR LF
  std::optional<double> minSize, maxSize;  // files outside these sizes are not found
  std::optional<long> countLimit;          // the search ends once this many are found
  HWND listBox = nullptr;       // when given, the finds go here instead of onto the list text
  HWND captionLabel = nullptr;  // when given, shows the folder being searched
};

// What a search found; a search adds to what is already here.
struct FindFileResult {
  std::string list;
  long count = 0;
  double totalSize = 0;  // whole 64-bit sizes added up
};

// Searches folder (and below, as asked) for files whose names contain one of the patterns.
bool gFindFile(const std::string& folder, const FindFileOptions& options, FindFileResult& found);

// The same search as one positional call: found files go to listBox when given, else to result; foundCount
// and totalSize grow with each; the size and count limits apply only when their flags are set; depth is 0 at
// the top.
bool gFindFile(const std::string& folder, const std::string& patterns, bool recurse, HWND listBox,
               HWND captionLabel, bool fullPath, std::string& result, bool useMinSize, double minSize,
               bool useMaxSize, double maxSize, bool useCountLimit, long countLimit, long& foundCount,
               double& totalSize, bool listFolders, bool annotate, long depth);
