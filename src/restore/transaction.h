// A restore (or the undo of one) as one step that happens whole or not at all: plan and check, journal, set
// aside, bring in, check, account settings, let go; any failure puts everything back and says so, and the
// next start finishes or undoes what a crash interrupted.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "restore/restore_record.h"

// One folder's part of the step: the swap, and what goes aside before the incoming units meet the current
// entries (everything, when replaceAll).
struct SwapPlan {
  FolderSwap swap;
  bool replaceAll = true;
  std::vector<std::string> initialAside;
};

enum class StepResult {
  Done,        // everything in place and checked
  Refused,     // stopped before anything changed (a file in use, no room to set aside ...)
  RolledBack,  // something failed on the way; everything was put back
  Stuck,       // something failed and could not all be put back: the journal stays for the next start
};

struct StepOutcome {
  StepResult result = StepResult::Done;
  FileFailure failure;      // what stopped it
  bool inUse = false;       // a file of the current data is held by another program
  bool accountsFailed = false;  // the data is in place; the account settings were put back as they were
};

// Runs the step for the record (kind "restore" keeps what it set aside for an undo; "undo" lets it go).
// applyAccounts, when the record says accounts, replaces the account settings once the data is in place.
StepOutcome gProcReplaceAsOneStep(RestoreRecord& record, std::vector<SwapPlan>& plans,
                                  const std::function<bool()>& applyAccounts);

// At start, before the working folder is cleared: finishes or undoes a step a crash interrupted and tells the
// user which. False only when it could not, the journal then stays and no new restore may start.
bool gProcRecoverRestore();
// True when an interrupted step is still waiting to be finished or undone.
bool gChkRestorePending();

// The main menu's undo of the last restore of a target, asking first; message when there is nothing to undo.
bool gProcUndoRestore(int32_t target);
// Removes what the last restore of a target set aside, asking first.
bool gProcDelRestoreAside(int32_t target);
// Where the last restore of the target set the replaced data aside, one folder a line ("" when nowhere).
std::string gGetRestoreAsideText(int32_t target);
