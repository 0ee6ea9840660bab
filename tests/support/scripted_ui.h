// Test doubles for the user-interface seam: scripted answers, recorded boxes, no real waits.
#pragma once
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/ui.h"

// Thrown where the program would end, so a test can see that it ended and go on.
struct ProgramEnded : std::runtime_error {
  unsigned exitCode;
  explicit ProgramEnded(unsigned code) : std::runtime_error("program ended"), exitCode(code) {}
};

struct ShownBox {
  std::string text, caption;
  unsigned style = 0;
};

class ScriptedUi final : public UserInterface {
 public:
  // Answers given to the next message boxes, in order; IDOK when none is left.
  std::deque<int> answers;
  // Folders the folder picker returns, in order; "" (cancelled) when none is left.
  std::deque<std::string> folders;
  std::vector<ShownBox> boxes;
  unsigned long sleptMs = 0;

  int MessageBox(HWND, const std::string& text, const std::string& caption, unsigned style, const std::string&,
                 unsigned long) override;
  std::string BrowseForFolder(HWND, const std::string& title, unsigned flags) override;
  void Sleep(unsigned long ms) override { sleptMs += ms; }
  // Runs where the program lets pending window messages run: a test puts a person's click there.
  std::function<void()> onDoEvents;
  void DoEvents() override {
    if (onDoEvents) onDoEvents();
  }
  [[noreturn]] void EndProgram(unsigned exitCode) override { throw ProgramEnded(exitCode); }
};

// Installs a ScriptedUi for the lifetime of the object.
class ScopedScriptedUi {
 public:
  ScopedScriptedUi() : previous_(gSetUi(&ui)) {}
  ~ScopedScriptedUi() { gSetUi(previous_); }
  ScriptedUi ui;

 private:
  UserInterface* previous_;
};
