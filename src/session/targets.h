// The catalogue of the seven target programs: ids, display names, logos.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

enum TargetId : int32_t {
  kTargetOE = 0,
  kTargetOL = 1,
  kTargetNS4X = 2,
  kTargetFavorite = 3,
  kTargetColMail = 4,
  kTargetMyDocuments = 5,
  kTargetNS6X = 6,
};

// The ids in the order the main menu lists them.
inline constexpr int32_t kMenuOrder[] = {kTargetOE, kTargetMyDocuments, kTargetOL, kTargetNS4X,
                                         kTargetNS6X, kTargetFavorite, kTargetColMail};

bool gGetlngBkSoft(const std::string& displayName, int32_t& id);
bool gGetStrBkSoft(int32_t id, std::string& displayName);
// The logo file of the id ("LOGO_OE.gif" ...), "" for an unknown id.
std::string gGetTargetLogoFile(int32_t id);
// Loads the logo of the session's target from sys\logo into the picture control (a STATIC with SS_BITMAP).
bool gDspTargetLogo(HWND picture);
