// Copying the installer's payload: a folder's whole content, or one file, into an existing folder.
#pragma once
#include <string>

// Result of one copy: ok, or the reason it failed (for the installer's list).
struct CopyResult {
  bool ok = false;
  std::string reason;
};

// Copies every entry of source, subfolders included, into the existing folder target, overwriting
// what is there. A missing or empty source, or a missing target, fails.
CopyResult CopyFolderContent(const std::string& source, const std::string& target);

// Copies the file source into the existing folder target under its own name, overwriting, with its
// permissions. A missing source or target fails.
CopyResult CopyFileInto(const std::string& source, const std::string& target);

// True when both name the same existing folder (the installer started from the install folder).
bool IsSameFolder(const std::string& a, const std::string& b);
