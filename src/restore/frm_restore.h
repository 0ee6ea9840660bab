// The restore wizard: check the backup set and show what it holds, then put it in place of the current data.
#pragma once
#include <cstdint>
#include <string>

#include "restore/restore_view.h"
#include "window/form_window.h"

class frmRestore final : public FormWindow, public RestoreView {
 public:
  enum : int { lblMsg0 = 101, lblMsg, picLogo, prgProgress, cmdNext, cmdMenu };
  explicit frmRestore(HandBack backToMenu);

  // 0 before the check, 1 after the contents have been shown.
  int Step = 0;
  bool Busy = false;

  void cmdNext_Click();
  void cmdMenu_Click();

  void SetMessage(const std::string& text) override;
  void SetProgress(uint64_t done, uint64_t total) override;

 protected:
  void CreateControls() override;
  bool Form_Load() override;
  bool Form_Unload() override;
  void Form_Terminate() override;
  void OnCommand(int id, int code) override;
  void OnActivate() override;

 private:
  void mStepCheck();
  void mStepRestore();
  void mStop();
  void gDispSaveIniData(const std::string& savedName);
  bool pendingFirstStep_ = false;
  HandBack backToMenu_;
};
