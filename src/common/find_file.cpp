// The recursive file search: matching names, size and count limits, plain or annotated result lists.
#include "common/find_file.h"

#include <vector>

#include "common/char_helpers.h"
#include "common/error_log.h"
#include "common/system.h"
#include "common/text.h"
#include "common/ui.h"

namespace {

std::wstring mUpper(std::wstring text) {
  CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// "*" matches any run of characters, "?" any one character; everything else matches itself.
bool mLike(const std::wstring& text, const std::wstring& pattern) {
  size_t t = 0, p = 0, starP = std::wstring::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == text[t])) {
      ++t;
      ++p;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      starP = p++;
      starT = t;
    } else if (starP != std::wstring::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

// A found item goes to the list box when there is one, otherwise onto the result text.
void mAppend(HWND listBox, std::string& result, const std::string& item, bool lineEnd) {
  if (listBox != nullptr) {
    SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(gToWide(item).c_str()));
  } else {
    result += item;
    if (lineEnd) result += "\r\n";
  }
}

}  // namespace

namespace {

bool mFind(const std::string& folder, const FindFileOptions& o, const std::vector<std::wstring>& wanted,
           FindFileResult& found, long depth) {
  HANDLE h = INVALID_HANDLE_VALUE;
  try {
    if (o.countLimit && found.count >= *o.countLimit) return true;
    const std::string base = gAddRoot(folder);
    if (o.captionLabel != nullptr) {
      SetWindowTextW(o.captionLabel, gToWide(base).c_str());
      gUi().DoEvents();
    }

    WIN32_FIND_DATAW data;
    h = FindFirstFileW(gToWide(base + "*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return true;
    const std::string level = std::to_string(depth + 1);
    std::vector<std::string> subfolders;
    do {
      const std::wstring wname = data.cFileName;
      const std::string name = gFromWide(wname);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (wname != L"." && wname != L"..") subfolders.push_back(name);
        continue;
      }
      const std::wstring upper = mUpper(wname);
      bool matches = false;
      for (const std::wstring& pattern : wanted) {
        if (mLike(upper, pattern)) {
          matches = true;
          break;
        }
      }
      if (!matches) continue;
      // The whole size: a mailbox over 4 GB must count as what it is.
      const double size =
          static_cast<double>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
      if ((o.minSize && size < *o.minSize) || (o.maxSize && size > *o.maxSize)) continue;
      if (o.countLimit && found.count >= *o.countLimit) {
        FindClose(h);
        return true;
      }
      if (o.annotate) {
        mAppend(o.listBox, found.list, kFindFileMarker + level + "*" + base + name, true);
      } else {
        mAppend(o.listBox, found.list, o.fullPath ? base + name : name, false);
      }
      ++found.count;
      found.totalSize += size;
    } while (FindNextFileW(h, &data));
    FindClose(h);
    h = INVALID_HANDLE_VALUE;

    if (!o.recurse) return true;
    for (const std::string& sub : subfolders) {
      const std::string subPath = base + sub + "\\";
      if (o.listFolders)
        mAppend(o.listBox, found.list, o.annotate ? kFindDirMarker + level + "*" + subPath : subPath, true);
      if (!mFind(subPath, o, wanted, found, depth + 1)) {
        gErrRaise(5, "search of " + subPath + " failed");
        gProcError("gFindFile", "");
        return false;
      }
    }
    return true;
  } catch (...) {
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    gErrRaise(5, "gFindFile");
    gProcError("gFindFile", "");
    return false;
  }
}

bool mFindFrom(const std::string& folder, const FindFileOptions& options, FindFileResult& found, long depth) {
  if (options.countLimit && found.count >= *options.countLimit) return true;
  std::vector<std::string> pieces;
  long last = 0;
  if (!gProcCharSplit(options.patterns, ";", pieces, last)) {
    gErrRaise(5, "gFindFile");
    gProcError("gFindFile", "");
    return false;
  }
  std::vector<std::wstring> wanted;
  for (const std::string& piece : pieces) wanted.push_back(mUpper(L"*" + gToWide(piece) + L"*"));
  return mFind(folder, options, wanted, found, depth);
}

}  // namespace

bool gFindFile(const std::string& folder, const FindFileOptions& options, FindFileResult& found) {
  return mFindFrom(folder, options, found, 0);
}

bool gFindFile(const std::string& folder, const std::string& patterns, bool recurse, HWND listBox,
               HWND captionLabel, bool fullPath, std::string& result, bool useMinSize, double minSize,
               bool useMaxSize, double maxSize, bool useCountLimit, long countLimit, long& foundCount,
               double& totalSize, bool listFolders, bool annotate, long depth) {
  FindFileOptions options;
  options.patterns = patterns;
  options.recurse = recurse;
  options.fullPath = fullPath;
  options.listFolders = listFolders;
  options.annotate = annotate;
  if (useMinSize) options.minSize = minSize;
  if (useMaxSize) options.maxSize = maxSize;
  if (useCountLimit) options.countLimit = countLimit;
  options.listBox = listBox;
  options.captionLabel = captionLabel;
  FindFileResult found{std::move(result), foundCount, totalSize};
  const bool ok = mFindFrom(folder, options, found, depth);
  result = std::move(found.list);
  foundCount = found.count;
  totalSize = found.totalSize;
  return ok;
}
