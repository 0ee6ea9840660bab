// Packing and unpacking through the archiver entry point.
#include "formats/archive_packing.h"

#include <windows.h>

#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/file_copy.h"
#include "common/files.h"
#include "common/system.h"
#include "common/text.h"
#include "formats/unlha.h"

namespace {

// The archiver's command line is in the system code page. A path it cannot write (a folder named in Korean
// on a Japanese system, say) goes by its short form, which the code page always can; a file not made yet
// goes by its folder's short form and its own name.
std::string mForCommandLine(const std::string& path) {
  if (gChkAnsiWritable(path)) return path;
  wchar_t shortPath[MAX_PATH] = {};
  const DWORD n = GetShortPathNameW(gToWide(path).c_str(), shortPath, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return gFromWide(shortPath);
  std::string folder;
  gGetPath(path, folder);
  const std::string name = gGetFileName(path);
  if (!folder.empty() && folder != path && gChkAnsiWritable(name)) return gAddRoot(mForCommandLine(gUnRoot(folder))) + name;
  return path;
}

}  // namespace

std::string gPackCommandLine(const std::string& archive, const std::string& sourceFolder, const std::string& listFile) {
  return std::string("u") + " " + " -a1 -r2 -x1 -l1 -jp1 -o2 -n -gm" + " " + gAddQuote(archive) + " " +
         gAddQuote(gAddRoot(gGetWinTempDir())) + " " + gAddQuote(gAddRoot(sourceFolder)) + " " +
         (listFile.empty() ? std::string() : gAddQuote("@" + listFile) + " ");
}

std::string gUnpackCommandLine(const std::string& archive, const std::string& destination) {
  return "x -a1 -gm -n \"" + archive + "\" \"" + gAddRoot(destination) + "\"";
}

bool gProcPackLzh(const std::string& archive, const std::string& sourceFolder, long& resultCode,
                  const std::vector<PackedFolder>& folders) {
  // The folders read where they lie go to the archiver in a list file beside the archive, in UTF-8: the
  // command line could not carry every name.
  const std::string list = folders.empty() ? std::string() : archive + ".list";
  if (!list.empty()) {
    std::string text;
    for (const PackedFolder& f : folders) {
      text += f.name + "\t" + gUnRoot(f.folder) + "\r\n";
      for (const std::string& file : f.leftOut) text += "!\t" + file + "\r\n";
    }
    FileFailure failure;
    if (!gWriteFileChecked(list, text, failure)) {
      gErrRaiseWin32(failure.error);
      gProcError("gProcPackLzh", "strTarget=" + list);
      resultCode = -1;
      return false;
    }
  }
  char output[1024] = {};
  resultCode = Unlha(GetDesktopWindow(),
                     gToAnsi(gPackCommandLine(mForCommandLine(archive), mForCommandLine(sourceFolder),
                                              list.empty() ? std::string() : mForCommandLine(list)))
                         .c_str(),
                     output, sizeof(output));
  if (!list.empty()) DeleteFileW(gToWide(list).c_str());
  if (resultCode == 0) return true;
  gErrRaise(resultCode, gFromAnsi(output));
  gProcError("gProcPackLzh", "");
  return false;
}

bool gProcPacklzh(const std::string& archive, const std::string& sourceFolder, const std::vector<PackedFolder>& folders) {
  long code = 0;
  if (gProcPackLzh(archive, sourceFolder, code, folders)) return true;
  gErrRaise(code, "packing failed");
  gProcError("gProcPacklzh", "");
  return false;
}

bool gLzhTest(const std::string& archive) {
  char output[1024] = {};
  const int code =
      Unlha(GetDesktopWindow(), gToAnsi("t -gm -n \"" + mForCommandLine(archive) + "\"").c_str(), output, sizeof(output));
  if (code == 0) return true;
  gErrRaise(code, gFromAnsi(output));
  gProcError("gLzhTest", "");
  return false;
}

bool gLzhUnPack(const std::string& archive, const std::string& destination) {
  const int code = Unlha(GetDesktopWindow(),
                         gToAnsi(gUnpackCommandLine(mForCommandLine(archive), mForCommandLine(destination))).c_str(),
                         nullptr, 0);
  if (code == 0) return true;
  gErrRaise(code, "unpacking failed");
  gProcError("gLzhUnPack", "");
  return false;
}
