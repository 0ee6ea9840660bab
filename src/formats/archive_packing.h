// Packing a backup into one LZH archive and unpacking it again.
#pragma once
#include <string>
#include <vector>

// A folder of the user's packed where it lies, under a folder name of the archive (as if it had been copied
// there), without the files named in leftOut.
struct PackedFolder {
  std::string name;
  std::string folder;
  std::vector<std::string> leftOut;
};

// Packs sourceFolder's contents, and beside them each of `folders`, into a new archive.
bool gProcPackLzh(const std::string& archive, const std::string& sourceFolder, long& resultCode,
                  const std::vector<PackedFolder>& folders = {});
bool gProcPacklzh(const std::string& archive, const std::string& sourceFolder,
                  const std::vector<PackedFolder>& folders = {});
bool gLzhUnPack(const std::string& archive, const std::string& destination);
// Reads the archive back from its medium and checks every member's CRC.
bool gLzhTest(const std::string& archive);

// The command lines as they are handed to the archiver.
std::string gPackCommandLine(const std::string& archive, const std::string& sourceFolder,
                             const std::string& listFile = "");
std::string gUnpackCommandLine(const std::string& archive, const std::string& destination);
