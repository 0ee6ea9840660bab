// The outside driver of velnor.exe: windows found through the window manager's lists, text read and buttons
// pressed with the messages a person's mouse and keyboard would cause.
#include "driver.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "common/app.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "support/saved_state.h"
#include "support/screenshot.h"

namespace e2e {
namespace {

constexpr int kPollMs = 50;

std::string ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return gFromWide(name);
}

bool SameText(std::string_view a, std::string_view b) { return gUpperAscii(a) == gUpperAscii(b); }

// Lines as "\n", whatever the program put.
std::string Lines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

// A control's text. Labels and buttons keep theirs in the window itself, which can be read while the program
// is busy; an edit box must be asked, and one that does not answer in time (its program is working) reads "".
std::string TextOf(HWND hwnd) {
  wchar_t className[64] = {};
  GetClassNameW(hwnd, className, 64);
  if (_wcsicmp(className, L"Edit") != 0) {
    std::wstring text(4096, L'\0');
    text.resize(static_cast<size_t>(InternalGetWindowText(hwnd, text.data(), static_cast<int>(text.size()))));
    return Lines(gFromWide(text));
  }
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 1000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, 1000,
                           &copied))
    return {};
  text.resize(std::min<size_t>(copied, length));
  return Lines(gFromWide(text));
}

std::string CaptionOf(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return gFromWide(text);
}

void Descendants(HWND parent, std::vector<HWND>& out) {
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM list) WINAPI -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
}

bool HasDescendantOfClass(HWND window, const char* className) {
  std::vector<HWND> all;
  Descendants(window, all);
  return std::any_of(all.begin(), all.end(), [&](HWND c) { return SameText(ClassOf(c), className); });
}

// What the driver does, as it does it: the log a failed run is read from.
void Trace(const std::string& line) {
  std::fprintf(stderr, "[e2e] %s\n", line.c_str());
  std::fflush(stderr);
}

// Presses a button as the mouse does: down and up on it.
void Press(HWND button) {
  Trace("press \"" + TextOf(button) + "\"");
  PostMessageW(button, BM_CLICK, 0, 0);
}

// Memory inside another process for the messages that carry pointers.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size) : process_(process) {
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  bool Write(const void* data, size_t size, size_t offset = 0) {
    return address_ != nullptr &&
           WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr) != 0;
  }
  bool Read(void* data, size_t size, size_t offset = 0) const {
    return address_ != nullptr &&
           ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr) != 0;
  }
  char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
  explicit operator bool() const { return address_ != nullptr; }

 private:
  HANDLE process_;
  void* address_ = nullptr;
};

// The text of a tree item of another process.
std::string TreeItemText(HANDLE process, HWND tree, HTREEITEM item) {
  if (item == nullptr) return {};
  RemoteBuffer remote(process, sizeof(TVITEMW) + 520 * sizeof(wchar_t));
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = reinterpret_cast<wchar_t*>(remote.at(sizeof(TVITEMW)));
  tv.cchTextMax = 520;
  if (!remote.Write(&tv, sizeof tv)) return {};
  DWORD_PTR ok = 0;
  if (!SendMessageTimeoutW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.at(0)), SMTO_NORMAL, 5000, &ok) ||
      !ok)
    return {};
  std::wstring text(520, L'\0');
  if (!remote.Read(text.data(), text.size() * sizeof(wchar_t), sizeof(TVITEMW))) return {};
  text.resize(wcsnlen(text.c_str(), text.size()));
  return gFromWide(text);
}

HTREEITEM TreeItem(HWND tree, UINT which, HTREEITEM from = nullptr) {
  DWORD_PTR item = 0;
  SendMessageTimeoutW(tree, TVM_GETNEXTITEM, which, reinterpret_cast<LPARAM>(from), SMTO_NORMAL, 5000, &item);
  return reinterpret_cast<HTREEITEM>(item);
}

}  // namespace

std::string ShotsFolder(const std::string& scenario) {
  std::string base = gGetEnvValue("VELNOR_E2E_SHOTS");
  if (base.empty()) base = gAddRoot(gGetAppPath()) + "screenshots\\e2e";
  return base + "\\" + scenario;
}

std::string VelnorExe() { return gAddRoot(gGetAppPath()) + "velnor.exe"; }

Program::Program(std::string exe, std::string shots) : exe_(std::move(exe)), shots_(std::move(shots)) {
  RemoveTree(shots_);  // the screenshots of an earlier run of the same scenario
}

Program::~Program() {
  if (process_.hProcess == nullptr) return;
  if (Running()) {
    for (HWND w : TopWindows()) ShotOnce(w, "left-open");
    TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 30000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

void Program::Start() {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  std::wstring line = L"\"" + gToWide(exe_) + L"\"";
  if (!CreateProcessW(gToWide(exe_).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &process_))
    throw Failure("cannot start " + exe_ + " (error " + std::to_string(GetLastError()) + ")");
}

bool Program::Running() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Program::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

void Program::WaitExit(int seconds) {
  if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(seconds) * 1000) != WAIT_OBJECT_0)
    Fail("the program did not end");
}

std::vector<HWND> Program::TopWindows() const {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } search{process_.dwProcessId, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM param) WINAPI -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == s->pid && IsWindowVisible(hwnd)) s->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Program::FindBox() const {
  for (HWND w : TopWindows())
    if (ClassOf(w) == "#32770" && !HasDescendantOfClass(w, "SysTreeView32")) return w;
  return nullptr;
}

HWND Program::FindBrowser() const {
  for (HWND w : TopWindows())
    if (ClassOf(w) == "#32770" && HasDescendantOfClass(w, "SysTreeView32")) return w;
  return nullptr;
}

Box Program::ReadBox(HWND hwnd) const {
  Box box;
  box.hwnd = hwnd;
  box.caption = CaptionOf(hwnd);
  std::vector<HWND> children;
  Descendants(hwnd, children);
  for (HWND c : children) {
    const std::string cls = ClassOf(c);
    if (SameText(cls, "Static") && IsWindowVisible(c)) {
      const std::string text = TextOf(c);
      if (!text.empty()) box.text += (box.text.empty() ? "" : "\n") + text;
    } else if (SameText(cls, "Button") && IsWindowVisible(c)) {
      box.buttons.push_back(GetDlgCtrlID(c));
    }
  }
  return box;
}

void Program::WaitUntil(const std::string& what, const std::function<bool()>& cond, int seconds) {
  Trace("wait for " + what);
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    if (cond()) return;
    if (HWND box = FindBox()) {
      const Box seen = ReadBox(box);
      ShotOnce(box, "unexpected-message");
      Fail("while waiting for " + what + ", the program showed a message: \"" + seen.text + "\"");
    }
    if (!Running()) Fail("the program ended (exit code " + std::to_string(ExitCode()) + ") before " + what);
    if (std::chrono::steady_clock::now() > limit) Fail("timed out waiting for " + what);
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
}

HWND Program::WaitWindow(const std::string& caption, const std::string& shot, int seconds) {
  HWND found = nullptr;
  WaitUntil(
      "the window \"" + caption + "\"",
      [&] {
        for (HWND w : TopWindows())
          if (CaptionOf(w).rfind(caption, 0) == 0 && ClassOf(w) != "#32770") found = w;
        return found != nullptr;
      },
      seconds);
  ShotOnce(found, shot);
  return found;
}

Box Program::WaitBox(int seconds) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    if (HWND box = FindBox()) {
      Box read = ReadBox(box);
      // A box is read once it shows its text and buttons (it may still be being built).
      if (!read.text.empty() && !read.buttons.empty()) return read;
    }
    if (!Running()) Fail("the program ended (exit code " + std::to_string(ExitCode()) + ") before a message");
    if (std::chrono::steady_clock::now() > limit) Fail("timed out waiting for a message");
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
}

Box Program::Answer(const std::string& part, int id, const std::string& shot, int seconds) {
  const Box box = WaitBox(seconds);
  Trace("message: " + box.text);
  Shot(box.hwnd, shot);
  if (box.text.find(part) == std::string::npos)
    Fail("expected a message with \"" + part + "\", the program showed \"" + box.text + "\"");
  HWND button = GetDlgItem(box.hwnd, id);
  if (button == nullptr || !IsWindowVisible(button))
    Fail("the message \"" + box.text + "\" has no button " + std::to_string(id));
  Press(button);
  // The answer is taken once the box is gone.
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (IsWindow(box.hwnd) && IsWindowVisible(box.hwnd)) {
    if (std::chrono::steady_clock::now() > limit) Fail("the message \"" + box.text + "\" did not close");
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  return box;
}

std::vector<Control> Program::Controls(HWND window) const {
  std::vector<HWND> children;
  Descendants(window, children);
  std::vector<Control> out;
  for (HWND c : children)
    out.push_back({c, ClassOf(c), TextOf(c), IsWindowVisible(c) != 0, IsWindowEnabled(c) != 0});
  return out;
}

std::string Program::FindText(HWND window, const std::string& className, const std::string& part) const {
  for (const Control& c : Controls(window))
    if (SameText(c.className, className) && c.text.find(part) != std::string::npos) return c.text;
  return {};
}

std::string Program::WaitEditText(HWND window, const std::string& part, const std::string& what, int seconds) {
  std::string text;
  WaitUntil(what, [&] { return !(text = FindText(window, "Edit", part)).empty(); }, seconds);
  return text;
}

bool Program::Shows(HWND window, const std::string& part) const {
  std::vector<HWND> children;
  Descendants(window, children);
  for (HWND c : children)
    if (IsWindowVisible(c) && !SameText(ClassOf(c), "Edit") && TextOf(c).find(part) != std::string::npos) return true;
  return false;
}

HWND Program::FindControl(HWND window, const std::string& className, const std::string& text) const {
  std::vector<HWND> children;
  Descendants(window, children);
  for (HWND c : children)
    if (SameText(ClassOf(c), className) && TextOf(c) == text) return c;
  return nullptr;
}

bool Program::Checked(HWND window, const std::string& text) const {
  const HWND button = FindControl(window, "Button", text);
  DWORD_PTR state = 0;
  return button != nullptr &&
         SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_NORMAL, 5000, &state) && state == BST_CHECKED;
}

void Program::Click(HWND window, const std::string& text, int seconds) {
  HWND button = nullptr;
  WaitUntil(
      "the button \"" + text + "\" to be ready",
      [&] {
        button = FindControl(window, "Button", text);
        return button != nullptr && IsWindowVisible(button) && IsWindowEnabled(button);
      },
      seconds);
  Press(button);
}

void Program::ClickUntil(HWND window, const std::string& text, const std::string& what,
                         const std::function<bool()>& taken, int seconds) {
  Click(window, text, seconds);
  // The program shows a wizard's buttons only once their step has ended, so the one press is taken.
  WaitUntil(what, [&] { return FindBox() != nullptr || taken(); }, seconds);
}

void Program::Choose(HWND window, const std::string& item) {
  HWND combo = nullptr;
  for (const Control& c : Controls(window))
    if (SameText(c.className, "ComboBox") && c.visible) combo = c.hwnd;
  if (combo == nullptr) Fail("no drop-down list in the window");
  int wanted = -1;
  const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count && wanted < 0; ++i) {
    const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length <= 0) continue;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    if (gFromWide(text) == item) wanted = i;
  }
  if (wanted < 0) Fail("the list has no \"" + item + "\"");
  for (;;) {
    const int current = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    if (current == wanted) break;
    const WPARAM key = current < wanted ? VK_DOWN : VK_UP;
    PostMessageW(combo, WM_KEYDOWN, key, 1);
    PostMessageW(combo, WM_KEYUP, key, 0xC0000001);
    WaitUntil("the list to move to \"" + item + "\"",
              [&] { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)) != current; }, 30);
  }
}

void Program::ChooseFolder(HWND menu, const std::string& folder) {
  Click(menu, "参照...");
  ChooseFolderInBrowser(folder);
  WaitUntil("the folder \"" + folder + "\" on the menu", [&] { return !FindText(menu, "Edit", folder).empty(); });
}

void Program::ChooseFolderInBrowser(const std::string& folder) {
  if (folder.size() < 3 || folder[1] != ':') Fail("no folder to choose: \"" + folder + "\"");
  HWND browser = nullptr;
  WaitUntil("the folder browser", [&] { return (browser = FindBrowser()) != nullptr; });
  ShotOnce(browser, "folder-browser");
  HWND tree = nullptr;
  std::vector<HWND> children;
  Descendants(browser, children);
  for (HWND c : children)
    if (SameText(ClassOf(c), "SysTreeView32")) tree = c;
  // Like a person: open the drive, then click through the tree one folder at a time, opening each.
  std::string path = folder;
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  const std::wstring drive = gToWide(path.substr(0, 3));
  RemoteBuffer remote(process_.hProcess, (drive.size() + 1) * sizeof(wchar_t));
  if (!remote || !remote.Write(drive.c_str(), (drive.size() + 1) * sizeof(wchar_t)))
    Fail("cannot reach the folder browser's memory");
  DWORD_PTR result = 0;
  SendMessageTimeoutW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote.at(0)), SMTO_NORMAL, 30000,
                      &result);
  const std::string driveText = "(" + path.substr(0, 2) + ")";
  WaitUntil("the folder browser to select " + path.substr(0, 3), [&] {
    return TreeItemText(process_.hProcess, tree, TreeItem(tree, TVGN_CARET)).find(driveText) != std::string::npos;
  });
  for (size_t start = 3; start < path.size();) {
    const size_t end = std::min(path.find('\\', start), path.size());
    const std::string name = path.substr(start, end - start);
    start = end + 1;
    const HTREEITEM parent = TreeItem(tree, TVGN_CARET);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent), SMTO_NORMAL, 30000,
                        &ignored);
    HTREEITEM child = nullptr;
    WaitUntil("the folder \"" + name + "\" in the folder browser", [&] {
      for (child = TreeItem(tree, TVGN_CHILD, parent); child != nullptr; child = TreeItem(tree, TVGN_NEXT, child))
        if (SameText(TreeItemText(process_.hProcess, tree, child), name)) return true;
      return false;
    });
    SendMessageTimeoutW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child), SMTO_NORMAL, 30000,
                        &ignored);
    WaitUntil("the folder browser to select \"" + name + "\"", [&] { return TreeItem(tree, TVGN_CARET) == child; });
  }
  Shot(browser, "folder-chosen");
  HWND ok = GetDlgItem(browser, IDOK);
  if (ok == nullptr) Fail("the folder browser has no OK button");
  Press(ok);
  WaitUntil("the folder browser to close", [&] { return FindBrowser() == nullptr; });
}

void Program::ChooseMenuItem(HWND window, int id, const std::string& what) {
  Trace("choose the menu item " + what);
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void Program::CancelFolderChoice(HWND menu) {
  Click(menu, "参照...");
  HWND browser = nullptr;
  WaitUntil("the folder browser", [&] { return (browser = FindBrowser()) != nullptr; });
  ShotOnce(browser, "folder-browser");
  Press(GetDlgItem(browser, IDCANCEL));
  WaitUntil("the folder browser to close", [&] { return FindBrowser() == nullptr; });
}

void Program::Shot(HWND window, const std::string& name) {
  if (window == nullptr || !IsWindow(window)) return;
  // Have the window painted afresh and wait until the program has painted all of it (nothing left to
  // update); a program that is busy for longer is shot as it stands.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  std::vector<HWND> parts{window};
  Descendants(window, parts);
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  auto painted = [&] {
    return std::none_of(parts.begin(), parts.end(),
                        [](HWND w) { return IsWindowVisible(w) && GetUpdateRect(w, nullptr, FALSE); });
  };
  while (!painted() && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  GdiFlush();
  char number[8];
  std::snprintf(number, sizeof number, "%02d", ++shotCount_);
  SaveWindowShot(window, shots_ + "\\" + number + "-" + name + ".bmp");
  shotWindows_.insert(window);
}

void Program::ShotOnce(HWND window, const std::string& name) {
  if (shotWindows_.count(window) == 0) Shot(window, name);
}

void Program::Fail(const std::string& what) {
  for (HWND w : TopWindows()) Shot(w, "at-failure");
  throw Failure(what + " (screenshots: " + shots_ + ")");
}

}  // namespace e2e
