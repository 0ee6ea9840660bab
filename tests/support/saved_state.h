// Saving parts of the machine aside and putting them back exactly: folders, keys of HKEY_CURRENT_USER, and
// comparable pictures of both.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "support/temp_env.h"

// Relative path -> bytes ("<dir>" for a folder) of everything below a folder.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& folder);

// Every subkey and value below a key of HKEY_CURRENT_USER as text, one "key\name=type:data" line each, in a
// fixed order; "" when the key does not exist.
std::string HkcuTreeText(const std::string& subKey);

// Copies everything below folder from into folder to (made as needed), replacing files of the same name.
void CopyFolder(const std::string& from, const std::string& to);
// Removes a file or a folder with everything below it, read-only files included.
void RemoveTree(const std::string& path);
// Removes what a folder holds and keeps the folder.
void ClearFolder(const std::string& folder);

// Removes what Velnor's restores kept beside these folders ("<folder> (Velnor ...)") and its records of them,
// so that a test starts with nothing to undo.
void RemoveRestoreAsides(const std::vector<std::string>& folders);

// Copies a folder's contents aside and puts them back exactly when the object goes (or on PutBack).
class SavedFolder {
 public:
  explicit SavedFolder(const std::string& folder);
  ~SavedFolder();
  SavedFolder(const SavedFolder&) = delete;
  SavedFolder& operator=(const SavedFolder&) = delete;
  void PutBack();
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  TempFolder aside_{"aside"};
};

// Copies a key of HKEY_CURRENT_USER aside and puts it back as it was when the object goes (or on PutBack):
// a key that did not exist is removed.
class SavedHkcuKey {
 public:
  explicit SavedHkcuKey(const std::string& subKey);
  ~SavedHkcuKey();
  SavedHkcuKey(const SavedHkcuKey&) = delete;
  SavedHkcuKey& operator=(const SavedHkcuKey&) = delete;
  void PutBack();

 private:
  std::string subKey_, backup_;
  bool existed_ = false;
};
