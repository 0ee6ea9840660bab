// The Favorites index page carried by a Favorites backup, built from the annotated file search.
#include "locations/favorite_index.h"

#include <windows.h>

#include <cstdlib>
#include <iterator>
#include <vector>

#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/files.h"
#include "common/find_file.h"
#include "common/system.h"
#include "common/text.h"
#include "locations/user_folders.h"

namespace {

const char* const kPageHead[] = {
    "<HTML>",
    "<TITLE>お気に入り インデックスファイル　　</TITLE>",
    "<HEAD>",
    "<Style type= text/css >",
    "BODY {",
    "scrollbar-face-color:White;",
    "scrollbar-track-color:WhiteSmoke;",
    "scrollbar-arrow-color:gray;",
    "scrollbar-highlight-color:gray;",
    "scrollbar-shadow-color:gray;",
    "scrollbar-3dlight-color:White;",
    "scrollbar-darkshadow-color:White;",
    "BACKGROUND: #ffffff;",
    "COLOR : GRAY;",
    "FONT-SIZE: 13px;",
    "line-height : 19px;",
    "FONT-FAMILY: ＭＳ ゴシック , Osaka－等幅 ; WHITE-SPACE: nowrap;",
    "}",
    "</Style>",
    "</HEAD>",
    "<BODY>",
    "<BR>",
    "<CENTER>お気に入り インデックスファイル</CENTER><BR>",
    "<BR>",
    "<FONT SIZE=-1>",
};
const char* const kPageTail[] = {"</FONT>", "</BODY>", "</HTML>"};

// A shortcut's target goes inside a quoted attribute: a quote or angle bracket in it must not end the tag.
std::string mAttributeText(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '"': out += "&quot;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c; break;
    }
  }
  return out;
}

// The page lines for one entry of the annotated search list; none for an entry that is not shown.
void mEntryLines(const std::string& entry, size_t prefixLength, std::vector<std::string>& lines) {
  const size_t star = entry.find('*');
  if (star == std::string::npos || star < 9) return;
  const std::string marker = entry.substr(0, 9);
  const std::string path = entry.substr(star + 1);
  const long level = std::strtol(entry.substr(9, star - 9).c_str(), nullptr, 10);
  std::string indent;
  for (long i = 0; i < level + 1; ++i) indent += "&nbsp &nbsp";

  if (marker == kFindDirMarker) {
    if (!gChkDirExists(path, true)) return;
    const std::string relative = path.size() > prefixLength ? path.substr(prefixLength) : std::string();
    lines.push_back("<BR>");
    lines.push_back("<FONT=\"+1\">" + indent + relative + "</FONT><BR>");
  } else if (marker == kFindFileMarker) {
    if (!gChkFileExists(path) || gGetFileExt(path) != "url") return;
    std::string target;
    if (!gGetlnkPath(path, target)) return;
    lines.push_back(indent + "<A HREF=\"" + mAttributeText(target) + "\" target= blank >" +
                    gGetFileNameOnly(path) + "</A><BR>");
  }
}

bool mAppendLines(const std::string& file, const std::vector<std::string>& lines) {
  std::string text;
  // A link or folder name the code page cannot write shows as itself, through a character reference.
  for (const std::string& line : lines) text += gToAnsiHtml(line) + "\r\n";
  HANDLE h = CreateFileW(gToWide(file).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    gErrRaiseLastError();
    return false;
  }
  DWORD written = 0;
  const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  if (!ok) gErrRaiseLastError();
  CloseHandle(h);
  return ok && written == text.size();
}

}  // namespace

bool gProcCreateFavoriteIndexFile(const std::string& destination, const std::string& name) {
  try {
    std::string favorites;
    if (!gChkDirExists(destination, true) || !gGetFavoriteDir(favorites)) {
      if (gErr().number == 0) gErrRaise(76, destination);
      gProcError("gProcCreateFavoriteIndexFile", "");
      return false;
    }
    favorites = gAddRoot(favorites);

    FindFileOptions everything;
    everything.listFolders = true;
    everything.annotate = true;
    FindFileResult found;
    if (!gFindFile(favorites, everything, found)) {
      gProcError("gProcCreateFavoriteIndexFile", "");
      return false;
    }
    std::vector<std::string> entries;
    long last = 0;
    if (!found.list.empty() && !gProcCharSplit(found.list, "\r\n", entries, last)) {
      gProcError("gProcCreateFavoriteIndexFile", "");
      return false;
    }

    // The page is built whole and appended in one write, so a failure leaves no half page behind.
    std::vector<std::string> lines(std::begin(kPageHead), std::end(kPageHead));
    for (const std::string& entry : entries) mEntryLines(entry, favorites.size(), lines);
    lines.insert(lines.end(), std::begin(kPageTail), std::end(kPageTail));
    if (mAppendLines(gAddRoot(destination) + name, lines)) return true;
  } catch (...) {
    gErrRaise(5, "gProcCreateFavoriteIndexFile");
  }
  gProcError("gProcCreateFavoriteIndexFile", "");
  return false;
}
