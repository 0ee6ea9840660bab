// The restore wizard's view as the restore work sees it.
#include "restore/restore_view.h"

namespace {

class NoView final : public RestoreView {
 public:
  void SetMessage(const std::string&) override {}
  void SetProgress(uint64_t, uint64_t) override {}
};

NoView mNoView;
RestoreView* mView = &mNoView;

}  // namespace

RestoreView& gRestoreView() { return *mView; }
void gSetRestoreView(RestoreView* view) { mView = view != nullptr ? view : &mNoView; }
