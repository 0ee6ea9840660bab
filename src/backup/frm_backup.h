// The backup wizard: confirm, gather and pack, then write to floppy disks or a folder.
#pragma once
#include <cstdint>
#include <string>

#include "backup/backup_view.h"
#include "window/form_window.h"

class frmBackup final : public FormWindow, public BackupView {
 public:
  enum : int { lblMsg0 = 101, lblMsg, lblMsg1, txtMsg, lblDataSaveDir, txtDataSaveDir, cmdNext, cmdMenu, picLogo,
               prgProgress, mnuContents = 201, mnuAbout };
  explicit frmBackup(HandBack backToMenu);

  // 0 before the data is made, 1 after; 0 whenever a backup wizard opens.
  int BackupStep = 0;
  // While true the window refuses to close.
  bool Busy = false;

  void cmdNext_Click();
  void cmdMenu_Click();

  void SetMessage(const std::string& text) override;
  void ShowMenuButton() override;
  void SetProgress(uint64_t done, uint64_t total) override;

 protected:
  void CreateControls() override;
  bool Form_Load() override;
  bool Form_Unload() override;
  void Form_Terminate() override;
  void OnCommand(int id, int code) override;

 private:
  void mDispConfirmBackup();
  void mDspAfterMakeBackupData();
  void mStepMake();
  void mStepWrite();
  void mShowButtons(bool visible);
  HandBack backToMenu_;
};
