// What the restore work shows on its wizard window: the instruction text and progress.
#pragma once
#include <cstdint>
#include <string>

class RestoreView {
 public:
  virtual ~RestoreView() = default;
  // The wizard's instruction label (lblMsg).
  virtual void SetMessage(const std::string& text) = 0;
  // The progress bar under the instruction: done of total (total 0 hides it); lets the window take its
  // messages now and then.
  virtual void SetProgress(uint64_t done, uint64_t total) = 0;
};

// The open restore wizard, or a view that shows nothing when none is open (tests).
RestoreView& gRestoreView();
void gSetRestoreView(RestoreView* view);
