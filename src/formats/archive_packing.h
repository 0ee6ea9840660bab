// Packing the collected backup folder into one LZH archive and unpacking it again.
#pragma once
#include <string>

bool gProcPackLzh(const std::string& archive, const std::string& sourceFolder, long& resultCode);
bool gProcPacklzh(const std::string& archive, const std::string& sourceFolder);
bool gLzhUnPack(const std::string& archive, const std::string& destination);
// Reads the archive back from its medium and checks every member's CRC.
bool gLzhTest(const std::string& archive);

// The command lines as they are handed to the archiver.
std::string gPackCommandLine(const std::string& archive, const std::string& sourceFolder);
std::string gUnpackCommandLine(const std::string& archive, const std::string& destination);
