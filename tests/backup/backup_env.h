// What the backup tests share: a session on a scratch working folder, a user who answers from a script and
// can change disks while a message is up, and whole-tree comparisons.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "backup/backup_view.h"
#include "session/session_state.h"
#include "support/scripted_ui.h"
#include "support/temp_env.h"

// Fragments that tell the catalogue's messages apart in the recorded boxes.
inline const char* const kMsgNextDisk = "いっぱいになりました";   // 43
inline const char* const kMsgNoDisk = "入っていないか";           // 1003
inline const char* const kMsgDiskNotEmpty = "ファイルが残っています";  // 1005
inline const char* const kMsgNoRoom = "空き容量が不足";            // 1015
inline const char* const kMsgStopped = "処理を中止しました";        // 21

// Scripted answers (IDOK when the script runs out); before answering, onBox sees the text and the box's
// number (from 1), and may change the world as a person would, e.g. insert another disk.
class DiskChangingUi final : public UserInterface {
 public:
  ScriptedUi script;
  std::function<void(const std::string& text, int number)> onBox;

  int MessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned style,
                 const std::string& helpFile, unsigned long helpContext) override;
  std::string BrowseForFolder(HWND owner, const std::string& title, unsigned flags) override {
    return script.BrowseForFolder(owner, title, flags);
  }
  void Sleep(unsigned long) override {}
  void DoEvents() override {}
  [[noreturn]] void EndProgram(unsigned exitCode) override { throw ProgramEnded(exitCode); }

  // How many boxes so far contained the fragment.
  int Count(const char* fragment) const;
};

// Remembers what the work showed on the wizard.
class RecordingView final : public BackupView {
 public:
  std::vector<std::string> messages;
  int menuShown = 0;
  uint64_t lastDone = 0, lastTotal = 0, largestTotal = 0;

  void SetMessage(const std::string& text) override { messages.push_back(text); }
  void ShowMenuButton() override { ++menuShown; }
  void SetProgress(uint64_t done, uint64_t total) override {
    lastDone = done;
    lastTotal = total;
    if (total > largestTotal) largestTotal = total;
  }
};

// The session pointed at a scratch working folder, the message catalogue open, the user scripted; all put
// back afterwards.
class BackupSession {
 public:
  BackupSession();
  ~BackupSession();
  BackupSession(const BackupSession&) = delete;
  BackupSession& operator=(const BackupSession&) = delete;

  DiskChangingUi ui;
  RecordingView view;
  TempFolder temp{"bk"};

 private:
  SessionState saved_;
  UserInterface* previousUi_;
};

// True when this prefix holds the sample PC.
bool SamplePcPresent();

// Every file (relative path -> bytes) and folder (relative path + "\" -> "") below a folder.
std::map<std::string, std::string> ReadTree(const std::string& folder);
// The names directly in a folder.
std::map<std::string, bool> ListFolder(const std::string& folder);
// Reproducible bytes that do not compress.
std::string RandomBytes(size_t count, unsigned seed);
// The file's size, -1 when it is not there.
long long FileSize(const std::string& path);
