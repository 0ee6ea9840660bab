// Drives the real velnor.exe from outside its process, as a person would: finds its windows by caption,
// reads what they say, presses their buttons, answers its message boxes, picks a folder in the shell's
// folder browser, and saves a screenshot of every window it meets. It waits on conditions, never on a clock,
// and any wait ends with a failure (naming what was awaited) after a generous limit.
#pragma once
#include <windows.h>

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

// What a scenario could not do or did not see; the text says what and where.
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A message box of the program as it stands on the screen.
struct Box {
  HWND hwnd = nullptr;
  std::string caption;
  std::string text;  // the lines of the message, as shown
  std::vector<int> buttons;  // IDOK, IDCANCEL, IDYES, ...
};

// A child control as read from outside.
struct Control {
  HWND hwnd = nullptr;
  std::string className;
  std::string text;
  bool visible = false;
  bool enabled = false;
};

// One run of the program, from start to end; the program is ended if it still runs when this goes.
class Program {
 public:
  // Screenshots go to folder shots (made as needed), numbered in the order they are taken.
  Program(std::string exe, std::string shots);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Starts the program; its windows are the ones this object finds from now on.
  void Start();
  bool Running() const;
  HANDLE Handle() const { return process_.hProcess; }
  DWORD ExitCode() const;
  // Waits for the program to end.
  void WaitExit(int seconds = 120);

  // Waits for a visible window of the program whose caption begins with caption (a message box that appears
  // meanwhile is a failure); a window not met before is saved as a screenshot called shot.
  HWND WaitWindow(const std::string& caption, const std::string& shot, int seconds = 120);
  // Waits for the next message box of the program.
  Box WaitBox(int seconds = 120);
  // Waits for a message box whose text contains part, saves it as a screenshot called shot and presses
  // button id (IDOK, IDYES, ...); returns it.
  Box Answer(const std::string& part, int id, const std::string& shot, int seconds = 120);
  // Waits until cond holds; a message box of the program that appears meanwhile is a failure.
  void WaitUntil(const std::string& what, const std::function<bool()>& cond, int seconds = 120);

  // The window's child controls, in creation order.
  std::vector<Control> Controls(HWND window) const;
  // The text of the first child control of class className (case ignored) that contains part; "" if none.
  std::string FindText(HWND window, const std::string& className, const std::string& part) const;
  // Waits until an edit box of the window shows text containing part (it cannot be read while the program
  // works) and returns its text.
  std::string WaitEditText(HWND window, const std::string& part, const std::string& what, int seconds = 120);
  // True when a visible label or button of the window shows text containing part (edit boxes: FindText).
  bool Shows(HWND window, const std::string& part) const;
  // True when the option button or check box with this text is checked.
  bool Checked(HWND window, const std::string& text) const;
  // The first child control of class className whose text is exactly text; nullptr if none.
  HWND FindControl(HWND window, const std::string& className, const std::string& text) const;
  // Waits until the button with exactly this text is visible and enabled, then presses it.
  void Click(HWND window, const std::string& text, int seconds = 120);
  // Presses the button (as Click) and waits until the program has taken the press: taken() holds or a
  // message box shows.
  void ClickUntil(HWND window, const std::string& text, const std::string& what, const std::function<bool()>& taken,
                  int seconds = 120);
  // Picks the item with this text in the window's drop-down list with the arrow keys.
  void Choose(HWND window, const std::string& item);
  // Presses the folder button, picks folder in the shell's folder browser and presses its OK button.
  void ChooseFolder(HWND menu, const std::string& folder);
  // Picks folder (a drive's root too) in the folder browser the program shows and presses its OK button.
  void ChooseFolderInBrowser(const std::string& folder);
  // Chooses an item of the window's menu bar, by its command id (the window's menu lives in its own process,
  // out of reach of another's menu calls): the message a click on the item sends.
  void ChooseMenuItem(HWND window, int id, const std::string& what);
  // Opens the folder browser with the folder button and cancels it.
  void CancelFolderChoice(HWND menu);

  // True while a message box of the program is showing.
  bool BoxShowing() const { return FindBox() != nullptr; }

  // Saves a screenshot of the window as NN-name.bmp.
  void Shot(HWND window, const std::string& name);
  const std::string& ShotFolder() const { return shots_; }

 private:
  std::vector<HWND> TopWindows() const;
  HWND FindBox() const;
  Box ReadBox(HWND box) const;
  HWND FindBrowser() const;
  void ShotOnce(HWND window, const std::string& name);
  [[noreturn]] void Fail(const std::string& what);

  std::string exe_, shots_;
  PROCESS_INFORMATION process_{};
  int shotCount_ = 0;
  std::set<HWND> shotWindows_;
};

// The folder where a test's screenshots go: VELNOR_E2E_SHOTS if set, otherwise screenshots\e2e beside the
// test program, with the scenario's name below it.
std::string ShotsFolder(const std::string& scenario);
// The program under test: velnor.exe beside the test program.
std::string VelnorExe();

}  // namespace e2e
