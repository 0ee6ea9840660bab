// Error reporting: the current error, the report written to the error log, and the fatal-error path.
#pragma once
#include <string>
#include <string_view>

// The record that a failing operation leaves behind for gProcError to report.
struct ErrInfo {
  long number = 0;
  std::string source;       // the component that raised it; the application's title for our own errors
  std::string description;
  std::string helpFile;
  unsigned long helpContext = 0;
};

// The current error.
ErrInfo& gErr();
// Clears the current error (number 0, texts empty).
void gErrClear();
// Records an error of our own as the current error.
void gErrRaise(long number, std::string_view description);
// Records the calling thread's last Windows error (GetLastError) as the current error.
void gErrRaiseLastError();
// Records a Windows error code as the current error.
void gErrRaiseWin32(unsigned long code);
// The system's own text for a Windows error code, on one line.
std::string gGetSystemErrorText(unsigned long code);

// When true, gProcError only writes the log. Start-up sets it; it is false when the program loads.
extern bool SuppressErrorBox;

// Reports the current error for procName: shows it unless suppressed, appends it to the log, clears it.
void gProcError(std::string_view procName, std::string_view detail);
// Reports, tells the user that the program ends, shows the log, shows the end screen and ends.
[[noreturn]] void gProcFatalError(std::string_view procName, std::string_view detail);
// Appends one entry: an empty line, text, extra text, each followed by CR LF (system code page).
bool gProcWriteErrLog(std::string_view text, std::string_view extraText);
// The error log's path: the temporary folder, the application title and "_ErrLog.txt".
bool gGetErrLogPath(std::string& path);
// Opens the error log for the user (minimised).
bool gDspErrLog();
// The system's message text for the error code the delete reports (122), trailing CR LF kept.
bool gGetLastDllErr(std::string& text);
// Shows the closing window, modal and centred; returns once it has closed.
bool gProcEndProgram();

// The shell installs the procedure that shows its closing window; until then nothing is shown.
using EndScreenHandler = bool (*)();
void gSetEndScreenHandler(EndScreenHandler handler);

// The report text for the current error, exactly as it goes to the log (used by gProcError).
std::string gBuildErrorReport(std::string_view procName, std::string_view detail);
