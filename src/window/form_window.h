// A plain Win32 top-level window with child controls, the base of every screen of the program.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/system.h"

// Shows the window a wizard hands back to when it closes: the shell's menu, which the wizards, below the
// shell, do not name. False, with why, when it could not be shown.
using HandBack = std::function<bool(std::string& why)>;

// How one control is made: class, text, style, place (in dialog-like units of the window's font).
struct CreateArgs {
  const wchar_t* className = L"STATIC";
  std::string text;
  DWORD style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  int id = 0;
  std::string tooltip;
};

class FormWindow : public Form {
 public:
  explicit FormWindow(std::string caption, int width, int height);
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // Creates the window on first use and runs Form_Load.
  HWND Hwnd() override;
  bool ShowModal() override;
  std::string CreateFailure() const override { return createFailure_; }
  // Asks the window to close: Form_Unload decides; returns true when it closed.
  bool Close();
  // Destroys the window without asking (the program is ending).
  void Destroy();
  bool IsLoaded() const { return hwnd_ != nullptr; }

  // Windows of the program that are open now.
  static int OpenCount();
  // Destroys every open window without their questions.
  static void DestroyAll();

  // Control helpers.
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  void SetText(int id, const std::string& text);
  std::string GetText(int id) const;
  void SetVisible(int id, bool visible);
  void SetTooltip(int id, const std::string& text);
  void SetBusyCursor(bool busy);
  // A progress bar control at done of total; total 0 hides it. The bar moves in thousandths, at most every
  // 50 ms as the window takes its messages: a pack calls this for every few kilobytes.
  void ShowProgress(int id, uint64_t done, uint64_t total);

 protected:
  // Makes the controls; called once the window exists, before Form_Load.
  virtual void CreateControls() = 0;
  // The load handler; false makes the window fail to show.
  virtual bool Form_Load() = 0;
  // The unload handler; false refuses the close.
  virtual bool Form_Unload() { return true; }
  // Runs after the window is gone.
  virtual void Form_Terminate() {}
  virtual void OnCommand(int id, int code) = 0;
  virtual void OnActivate() {}
  HWND AddControl(const CreateArgs& args);
  // Runs one step of a wizard as the window's only work. While it runs, the window takes no commands and
  // cannot be closed by the user, whatever the step's pauses and message boxes let through; a press that
  // arrives meanwhile is dropped, so the step shows its buttons again as its last act.
  void RunStep(const std::function<void()>& step);
  // Adds a menu bar: a popup with items (id, text) pairs.
  void AddMenu(const std::string& popupText, const std::vector<std::pair<int, std::string>>& items);
  HFONT Font() const { return font_; }

 private:
  int shownProgress_ = -1;
  DWORD progressTick_ = 0;
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  std::string caption_;
  std::string createFailure_;
  int width_, height_;
  HWND hwnd_ = nullptr;
  HWND tooltip_ = nullptr;
  HFONT font_ = nullptr;
  bool busy_ = false;
  bool stepRunning_ = false;
  bool modalDone_ = false;
};

// Pixels for a layout unit (1/96 inch scaled by the screen's DPI).
int gScale(int units);
