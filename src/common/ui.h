// The one seam for what a person answers and how long the program waits: message boxes, the folder
// picker, pauses and ending the program. The program uses the real ones; tests install scripted ones.
#pragma once
#include <windows.h>

#include <string>

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // Shows a message box and returns the pressed button (IDOK, IDCANCEL, ...).
  virtual int MessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned style,
                         const std::string& helpFile, unsigned long helpContext) = 0;
  // Shows the shell's folder browser; returns the chosen folder, or "" when cancelled.
  virtual std::string BrowseForFolder(HWND owner, const std::string& title, unsigned flags) = 0;
  // Suspends the program for the given milliseconds.
  virtual void Sleep(unsigned long milliseconds) = 0;
  // Lets pending window messages run.
  virtual void DoEvents() = 0;
  // Ends the program at once; never returns.
  [[noreturn]] virtual void EndProgram(unsigned exitCode) = 0;
};

// The interface in force: the real one unless a test installed another.
UserInterface& gUi();
// Installs another interface (nullptr puts the real one back). Returns the previous one.
UserInterface* gSetUi(UserInterface* ui);

// Shorthand for a message box through the seam, with no help topic.
int gMsgBox(const std::string& text, unsigned style, const std::string& caption, HWND owner = nullptr);
