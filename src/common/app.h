// The application's title and version, fixed at build time.
#pragma once
#include <string>

// Used in file and folder names (work folder, archive, information file, error log) and captions.
inline const std::string& gAppTitle() {
  static const std::string title = "Velnor";
  return title;
}

struct AppVersion {
  int major = 0;
  int minor = 0;
  int revision = 0;
};

// The version of the running program, from its own version resource (the build's numbers when it has none).
AppVersion gGetAppVersion();

// The folder that holds the running program, without a trailing backslash.
std::string gGetAppPath();
