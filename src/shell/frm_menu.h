// The main menu: target, medium and folder, then backup or restore.
#pragma once
#include <string>

#include "window/form_window.h"

class frmMenu final : public FormWindow {
 public:
  enum : int {
    cboMailSoft = 101, picLogo, Command1_Backup, Command1_Restore, optFD, optNotFD, txtSaveDir, cmd2, cmdEnd,
    lblMsg, fraSoft, fraProcess, fraSaveDir,
    mnuContents = 201, mnuAbout, mnuEnd, mnuUndoRestore, mnuDropAside
  };
  frmMenu();

  // Handlers, public so that tests can drive the screen as a person would.
  void cboMailSoft_Click();
  void cmd2_Click();
  void optFD_GotFocus();
  void optNotFD_GotFocus();
  // index 0 = backup, 1 = restore. Returns true when a wizard was opened.
  bool Command1_Click(int index);
  void cmdEnd_Click();
  // The chosen target's last restore: its replaced data put back, or let go of (each asks first).
  void mnuUndoRestore_Click();
  void mnuDropAside_Click();

  // The list text (display name of the chosen target).
  std::string ListText() const;
  bool SelectTarget(const std::string& displayName);
  bool FloppyChosen() const;

 protected:
  void CreateControls() override;
  bool Form_Load() override;
  bool Form_Unload() override;
  void Form_Terminate() override;
  void OnCommand(int id, int code) override;

 private:
  bool mInitProcessing(int index);
  void mChooseFolder();
  bool endAfterUnload_ = true;
  bool choosingFolder_ = false;
};
