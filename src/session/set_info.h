// The session's backup set information file: written from the session, read back into it.
#pragma once
#include <cstdint>
#include <string>

#include "formats/info_file.h"

// Writes the information file at the session's InfoFile from the session's values, replacing any old one.
bool mSaveFile(bool nextDisk, int32_t diskNumber);
// The bytes mSaveFile writes (system code page, CR LF), to compare a read-back with.
std::string gGetInfoFileBytes(bool nextDisk, int32_t diskNumber);
// Reads the information file at the session's InfoFile into the session and checks it.
bool gGetIniData();
// Whether the set read by gGetIniData was made of the target the user chose.
bool gChkSetOfSessionTarget();
// Whether the information file at the session's InfoFile belongs to the set read first: the same user, date
// and target. A disk of another set says otherwise.
bool gChkSameSetInfo();
