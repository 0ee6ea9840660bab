// Replacing what a folder holds as one step that can be undone: the current entries go aside by renames on
// the same volume, the incoming ones come in, and until the step is let go of, everything can be put back.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/file_copy.h"

// One folder of the target. The folder itself stays (its attributes, its place in the shell); only what it
// holds moves. Paths in asideItems and units are relative to the folders, "\" between their parts.
struct FolderSwap {
  std::string current;    // the target's folder
  std::string incoming;   // what takes its contents' place
  std::string aside;      // where its contents go meanwhile: a folder beside it, on the same volume
  bool byRename = false;  // the incoming folder lies on the current folder's volume: renames, no copies
  std::vector<std::string> asideItems;  // moved aside whole
  std::vector<std::string> units;       // brought in whole
  // Every incoming file with its size, for the check once they are in place.
  std::vector<std::pair<std::string, uint64_t>> files;
};

// The folder beside `current` that takes its entries: "<name> (<label>)", a number added when that exists.
std::string gGetAsideFolder(const std::string& current, const std::string& label);
// Plans a swap before anything changes: what goes aside (the given items, plus every current entry that an
// incoming one would meet) and what comes in. An empty `initial` with mergeOnly false sets aside everything.
bool gPlanSwap(FolderSwap& swap, bool mergeOnly, const std::vector<std::string>& initial, FileFailure& failure);
// Checks, without changing anything, that everything planned to go aside can move now: no program holds a
// file of it, and the aside folder can be made on the same volume.
bool gChkSwapMovable(const FolderSwap& swap, FileFailure& failure);
// Moves the planned items aside. testPoint names the moment a test may stop the program at, once one moved.
bool gProcSetAside(const FolderSwap& swap, FileFailure& failure, const char* testPoint);
// Brings the incoming units in (renamed or copied), then checks that every incoming file is in place whole.
bool gProcBringIn(const FolderSwap& swap, FileFailure& failure, const char* testPoint);
// Removes a folder with all it holds (a set-aside folder let go of); links are removed, not followed.
bool gDelSwapFolder(const std::string& folder, FileFailure& failure);
// Removes a folder that holds nothing but empty folders.
bool gDelEmptyFolderTree(const std::string& folder, FileFailure& failure);
// Puts everything back as it was: units out again (back where they came from, or deleted when they were
// copies), the set-aside items back in, the aside folder gone. Works from any point of the step above, also
// after a crash; broughtIn says whether bringing in had begun (before, a current entry may still carry a
// unit's name). False (with the file that resisted) when something could not be put back.
bool gProcUndoSwap(const FolderSwap& swap, bool broughtIn, FileFailure& failure);
