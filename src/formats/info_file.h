// The backup information file that travels with every backup set.
#pragma once
#include <cstdint>
#include <string>

// The section every information file holds.
inline constexpr const char* kInfoSection = "section1";

// Writes the information file at the session's InfoFile from the session's values, replacing any old one.
bool mSaveFile(bool nextDisk, int32_t diskNumber);
// The bytes mSaveFile writes (system code page, CR LF), to compare a read-back with.
std::string gGetInfoFileBytes(bool nextDisk, int32_t diskNumber);
// Reads the information file at the session's InfoFile into the session and checks it.
bool gGetIniData();
