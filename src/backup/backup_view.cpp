// The backup wizard's view as the backup work sees it.
#include "backup/backup_view.h"

namespace {

class NoView final : public BackupView {
 public:
  void SetMessage(const std::string&) override {}
  void ShowMenuButton() override {}
  void SetProgress(uint64_t, uint64_t) override {}
};

NoView mNoView;
BackupView* mView = &mNoView;

}  // namespace

BackupView& gBackupView() { return *mView; }
void gSetBackupView(BackupView* view) { mView = view != nullptr ? view : &mNoView; }
