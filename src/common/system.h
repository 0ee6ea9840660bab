// System information and window helpers: single instance, versions, pauses, window placing and captions.
#pragma once
#include <windows.h>

#include <string>

struct WinVersion {
  std::string platform, major, minor, build, servicePack, subVersionNumber, version;
};

// Ends this copy of the program when another is already running (showing "既に起動されています" if asked).
void gChkDoubleStarting(bool showMessage);
// The Windows version record. quiet: a failure leaves the values empty and reports nothing (used inside
// an error report, which must never start a report of its own).
bool gGetWinVersion(WinVersion& out, bool quiet = false);
// Internet Explorer's "Version", "Build" and "IE" vector values, each "Can'tGet" when unreadable.
bool gGetIeVersion(std::string& version, std::string& build, std::string& vector, bool quiet = false);
// The product version of "OutLook Express\msimn.exe" under the program files folder.
bool gGetOeExeVersion(std::string& version);
// The product version text of a file's version resource; false when it has none.
bool gGetFileProductVersion(const std::string& file, std::string& version);

// Where a crash or a power cut could stop the program in the middle of changing the user's data. A test
// names one such point in VELNOR_TEST_STOP_AT, and the program then ends there at once, as if killed.
void gProcTestStopPoint(const char* point);

// Sleeps; a negative time returns false at once.
bool gProcSleep(long milliseconds);
// Lets pending window events run, then sleeps.
bool gProcTune(long milliseconds);

// A window that the helpers below can show, size and place: each screen derives from it.
class Form {
 public:
  virtual ~Form() = default;
  // The window handle, creating the window (and running its load handler) on first use.
  virtual HWND Hwnd() = 0;
  // Shows the window modally; returns when it has closed.
  virtual bool ShowModal() = 0;
  // Why the window could not be made, for the user and the log ("" when it was made or nothing is known).
  virtual std::string CreateFailure() const { return {}; }
};

// Shows a form: modal (1) waits for it to close; otherwise hides, optionally resizes, shows and places it.
bool gDspForm(Form& form, long position, long modal, bool resize, float ratio);
bool gDspWindowSize(Form& form, float ratio);
bool gDspWindowPosition(Form& form, long position);
// Screen size in twips.
bool gGetScreenSize(long& width, long& height);
bool gGetSystemMetrics(long index, long& value);
// Mode 0: own caption, five blanks, the application title. Mode 1: the other way round.
bool gSetFormCaption(HWND window, long mode);
// Opens the program's help page / the product's home page (maximised); message 14 when refused.
bool gDspHelp();
bool gDspHP();
// Home page of the product, for gDspHP and the About window.
const std::string& gGetHomePageAddress();
// Moves the focus from a drop-down list on left/right/Enter.
bool gProcTabMoveForCombo(short& keyCode, bool keepUpDown);
// The path with a "\" appended unless it ends with one ("" gives "\").
std::string gAddRoot(const std::string& path);

// Twips per pixel of the screen along each axis.
double gTwipsPerPixelX();
double gTwipsPerPixelY();
