// The seven target programs: one row each, holding everything the program knows of it. Code elsewhere asks
// the row; it never tests the id.
#pragma once
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

// The ids are written into backup sets, restore records and the registry: never renumber them.
enum TargetId : int32_t {
  kTargetOE = 0,
  kTargetOL = 1,
  kTargetNS4X = 2,
  kTargetFavorite = 3,
  kTargetColMail = 4,
  kTargetMyDocuments = 5,
  kTargetNS6X = 6,
};

struct SessionState;

struct TargetRow {
  int32_t id;
  const char* code;  // the logo's and the restore record's short name
  const char* name;  // as the menu shows it and the information file's reader expects it
  const char* logo;  // the file in sys\logo
  // Finds the data folder; version is set where the program has versions that sets must match.
  bool (*findDataDir)(std::string& folder, std::string& version);
  // Fills the session's message store and address book names at the start of a backup or restore.
  bool (*findStoreFiles)(SessionState& s);
  // Whether a set of the saved version restores onto the current one; nullptr: any does.
  bool (*chkRestorableVersion)(const std::string& saved, const std::string& current) = nullptr;
  // A backup also gathers the address book (AddressData), and the set names its file.
  bool addressBook = false;
  // The set names the message store file.
  bool storeFile = false;
  // A backup may carry the mail account settings (the user is asked); a restore then puts them back.
  bool accountSettings = false;
  // A backup to floppy disks writes the Favorites index page beside the set.
  bool indexPage = false;
  // A restore asks whether to keep the current files beside the saved ones.
  bool keepCurrentQuestion = false;
  // A file held by this program while a restore runs is its background process: the user is told to restart
  // Windows rather than offered a retry.
  bool heldInBackground = false;
  // What a restore sets aside and what it puts back (the address book's own pair follows when it has one).
  bool (*delHdData)();
  bool (*rePlaceHdData)();
};

// Every row, in the order the main menu lists them.
std::span<const TargetRow> gTargets();
// The row of the id; nullptr (and no report) for an unknown id.
const TargetRow* gFindTarget(int32_t id);
// The row of the session's target. The id is always one of the rows' once a target was chosen.
const TargetRow& gSessionTarget();

bool gGetlngBkSoft(const std::string& displayName, int32_t& id);
bool gGetStrBkSoft(int32_t id, std::string& displayName);
// The logo file of the id ("LOGO_OE.gif" ...), "" for an unknown id.
std::string gGetTargetLogoFile(int32_t id);
// Loads the logo of the session's target from sys\logo into the picture control (a STATIC with SS_BITMAP).
bool gDspTargetLogo(HWND picture);
// The target's data folder; version is set for those whose sets must match the program's version.
bool gGetBkSoftDir(long target, std::string& folder, std::string& version);
