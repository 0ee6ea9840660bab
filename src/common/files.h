// File and folder services: existence tests, shell file operations, purge, sizes, paths, special folders,
// environment paths, shortcut targets, the folder picker and the rewriting of exported registry files.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Shell file operation (SHFileOperation) with the flag word built from its properties.
class clsFileOperation {
 public:
  void SetTarget(HWND owner);          // kept only when owner is a live window
  void Sielnt(bool on);                // 0x0004: no progress dialog
  void ShowDialog(bool on);            // 0x0004, inverted
  void RenameOnCollision(bool on);     // 0x0008
  void RespondDialog(bool on);         // 0x0010: yes to every confirmation
  void AllowUndo(bool on);             // 0x0040
  void SimpleProgress(bool on);        // 0x0100
  void ConfirmMakeDir(bool on);        // 0x0200, inverted
  uint16_t Flags() const { return flags_; }
  bool Move(const std::string& from, const std::string& to);
  bool Copy(const std::string& from, const std::string& to);  // always runs with the silent bit alone
  bool Delete(const std::string& from);
  bool Rename(const std::string& from, const std::string& to);
  bool Trash(const std::string& from);  // delete into the recycle bin

 private:
  void Set(uint16_t bit, bool on);
  bool Run(unsigned operation, const std::string& from, const std::string& to);
  HWND target_ = nullptr;
  uint16_t flags_ = 0;
};

// Path splitting and special folders.
class cPath {
 public:
  enum Folder : int { Desktop = 0, Programs = 2, MyDocuments = 5, Favorites = 6, Startup = 7, Recent = 8,
                      SendTo = 9, StartMenu = 11, Fonts = 20 };
  std::string FileName;
  std::string GetPath() const;          // up to and including the last "\" (or "X:\"); "" otherwise
  std::string GetFileName() const;      // the name part
  std::string GetFileNameOnly() const;  // the name without its extension
  std::string GetExt() const;           // the extension, without the dot
  static std::string GetSpecialFolder(int folder);
};

// True when the file can be opened for reading; "folder\*" asks whether the folder holds a file.
bool gChkFileExists(const std::string& path);
// True when a directory listing of the path (one trailing "\" removed) finds it. A bare drive ("A:") asks
// the drive-condition test unless driveTest is true.
bool gChkDirExists(const std::string& path, bool driveTest = false);
// True when the folder holds any file or folder.
bool gChkDirHasEntries(const std::string& folder);
bool gCopyFile(const std::string& from, const std::string& to);
bool gMoveFile(const std::string& from, const std::string& to, bool showDialog);
bool gDelFile(const std::string& path);
// Recursive purge: level 0 empties the folder and keeps it, deeper levels remove it. Refuses an empty path, a
// drive root, the Windows folder and the user profile folder (and any folder holding them).
bool gDelDir(const std::string& folder, long level);
// True for a folder that no delete may touch: empty, a drive root, the Windows or user profile folder or a
// folder that holds one of them.
bool gChkProtectedDir(const std::string& path);
// Total size in bytes of all files below the folder (whole 64-bit sizes).
bool gGetDirSize(const std::string& folder, double& total);
// The Windows folder.
std::string gGetWinDir();
// The temporary folder: %temp%, %tmp%, the Windows folder's Temp, else the program's folder; long form.
std::string gGetWinTempDir();
// An environment variable's value ("" when unset).
std::string gGetEnvValue(const std::string& name);
// The long form of a path; the path unchanged (and a report) when it does not exist.
std::string gGetLongFileName(const std::string& path);
bool gGetPath(const std::string& path, std::string& folder);
std::string gGetFileName(const std::string& path);
std::string gGetFileNameOnly(const std::string& path);
std::string gGetFileExt(const std::string& path);
// The folder `levels` above the path's folder, without a trailing "\".
bool gGetParentDir(const std::string& path, long levels, std::string& folder);
// ShellExecute "open" with the given show command; false for the shell's failure codes.
bool gShellExecute(const std::string& file, int showCommand);
// The target of an Internet shortcut (.url) or shell link.
bool gGetlnkPath(const std::string& shortcutFile, std::string& target);
// The folder picker; "" when cancelled.
std::string gShowSelectDirDlg(long root, HWND owner);
// Rewrites a UTF-16 (FF FE) file as one line of system code page text with find replaced by replace.
bool gFileTransChar(const std::string& source, const std::string& destination, const std::string& find,
                    const std::string& replace);
// The whole file (wide name, others may read and write it meanwhile); false when it cannot be read whole.
bool gReadFileBytes(const std::string& path, std::string& bytes);
// Copies a text file line by line, replacing line `lineNumber` (1-based) with newText.
bool gFileTransLine(const std::string& source, const std::string& destination, long lineNumber,
                    const std::string& newText);
