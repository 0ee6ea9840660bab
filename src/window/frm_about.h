// The About window and the end screen.
#pragma once
#include "window/form_window.h"

class frmAbout final : public FormWindow {
 public:
  enum : int { imgIcon = 101, lblTitle, lblVersion, cmdOK, Command2, mnuContents = 201 };
  frmAbout();
  // "  version " and the program's major, minor and revision.
  static std::string VersionText();

 protected:
  void CreateControls() override;
  bool Form_Load() override;
  void OnCommand(int id, int code) override;
};

// The one About window, made when first shown; every window's menu opens it.
frmAbout& gFrmAbout();

class frmEndProgram final : public FormWindow {
 public:
  enum : int { imgIcon = 101, lblMsg1, lblMsg2 };
  frmEndProgram();

 protected:
  void CreateControls() override;
  bool Form_Load() override;
  void OnActivate() override;
  void Form_Terminate() override;
  void OnCommand(int, int) override {}

 private:
  bool activated_ = false;
};
