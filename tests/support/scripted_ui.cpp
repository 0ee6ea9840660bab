// Scripted answers for the user-interface seam.
#include "support/scripted_ui.h"

int ScriptedUi::MessageBox(HWND, const std::string& text, const std::string& caption, unsigned style,
                           const std::string&, unsigned long) {
  boxes.push_back({text, caption, style});
  if (answers.empty()) return 1;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

std::string ScriptedUi::BrowseForFolder(HWND, const std::string&, unsigned) {
  if (folders.empty()) return {};
  std::string folder = folders.front();
  folders.pop_front();
  return folder;
}
