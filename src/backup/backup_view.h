// What the backup work shows on its wizard window: the instruction text, the menu button, progress.
#pragma once
#include <cstdint>
#include <string>

class BackupView {
 public:
  virtual ~BackupView() = default;
  // The wizard's instruction label (lblMsg).
  virtual void SetMessage(const std::string& text) = 0;
  // Shows the wizard's "メニュー" button (cmdMenu).
  virtual void ShowMenuButton() = 0;
  // The progress bar under the instruction: done of total (total 0 hides it); lets the window take its
  // messages now and then.
  virtual void SetProgress(uint64_t done, uint64_t total) = 0;
};

// The open backup wizard, or a view that shows nothing when none is open (tests, start-up).
BackupView& gBackupView();
void gSetBackupView(BackupView* view);
