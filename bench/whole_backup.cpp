// A whole folder backup and restore of My Documents through the real windows, timed from outside the program.
// Prints figures (bench/whole_backup.sh sets the machine up and sets them beside jlha and lhasa); it asserts
// nothing about speed.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "../tests/e2e/e2e_env.h"
#include "common/files.h"

namespace e2e {
namespace {

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The wizards' pauses so far, as the program keeps them in VELNOR_PAUSE_LOG.
double PausedSeconds() {
  const std::string path = gGetEnvValue("VELNOR_PAUSE_LOG");
  return path.empty() ? 0 : std::atof(ReadFileBytes(path).c_str()) / 1000.0;
}

class WholeBackup : public E2eTest {};

TEST_F(WholeBackup, MyDocuments) {
  using Clock = std::chrono::steady_clock;
  const Target& docs = TargetByTag("MYDOCUMENTS");
  HWND menu = StartVelnor();
  Program& v = *velnor_;

  v.Choose(menu, docs.name);
  v.ChooseFolder(menu, scratch_);
  v.Click(menu, "バックアップ");
  v.Answer("という名前のフォルダを作成し、", IDOK, "folder-notice");
  HWND wizard = v.WaitWindow(kBackup, "backup-confirm");
  const double pausedBefore = PausedSeconds();
  auto start = Clock::now();
  Next(wizard);
  v.WaitUntil("the data", [&] { return v.Shows(wizard, "作成したバックアップデータを移動します"); }, 3600);
  const auto made = Clock::now() - start;
  start = Clock::now();
  Next(wizard);
  v.WaitUntil("the backup to finish", [&] { return v.Shows(wizard, "バックアップ処理が正常に終了しました。"); }, 3600);
  const double backup = Seconds(made + (Clock::now() - start));
  const double backupPauses = PausedSeconds() - pausedBefore;
  const std::string set = v.WaitEditText(wizard, scratch_, "the set's folder on the wizard");
  menu = BackToMenu(wizard);

  v.Choose(menu, docs.name);
  v.ChooseFolder(menu, set);
  const double pausedBeforeRestore = PausedSeconds();
  start = Clock::now();
  v.Click(menu, "復元");
  wizard = v.WaitWindow(kRestore, "restore");
  v.WaitUntil("the contents", [&] { return v.Shows(wizard, "現在のデータを上記の保存データに置き換えます。"); }, 3600);
  const auto checked = Clock::now() - start;
  start = Clock::now();
  Next(wizard);
  v.WaitBox(3600);  // asked once the set is unpacked; the time the question stands open is not counted
  const auto unpacked = Clock::now() - start;
  v.Answer("現在のフォルダの内容を残したまま", IDNO, "keep-question");
  start = Clock::now();
  v.WaitUntil("the restore to finish", [&] { return v.Shows(wizard, "復元処理が正常に終了しました。"); }, 3600);
  const double restore = Seconds(checked + unpacked + (Clock::now() - start));
  const double restorePauses = PausedSeconds() - pausedBeforeRestore;

  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(v.Handle(), &memory, sizeof memory);
  std::printf("velnor_backup_seconds %.2f\nvelnor_backup_pauses %.2f\n", backup, backupPauses);
  std::printf("velnor_restore_seconds %.2f\nvelnor_restore_pauses %.2f\n", restore, restorePauses);
  std::printf("velnor_peak_working_set_mib %.1f\n", memory.PeakWorkingSetSize / 1048576.0);
  std::fflush(stdout);
  menu = BackToMenu(wizard);
  EndVelnor(menu);
}

}  // namespace
}  // namespace e2e
