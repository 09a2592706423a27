// Whole-file reads and crash-safe whole-file writes, shared by the list, INI and registry classes,
// the image files and the text logs. Only regular files are opened: a FIFO, socket or device at a
// file's path is told before anything opens it (opening a FIFO waits for its other end for ever),
// named on stderr once, and neither read nor written.
#pragma once
#include <sys/stat.h>

#include <mutex>
#include <string>

namespace rtl_detail {

// True when something other than a regular file is at path (a folder, or a FIFO, socket or device,
// which is named on stderr); told without opening it.
bool ExistsButIsNotRegular(const std::string& path);
// Opens the file for reading and describes it (the opened file, whatever the path names later);
// -1 when it cannot be opened or is not a regular file.
int OpenForReading(const std::string& path, struct stat& info);
// Reads the whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& content);
// Reads what is left of an open file (sizeHint bytes expected); false on a read error.
bool ReadToEnd(int fd, std::string& content, size_t sizeHint = 0);
// Writes content to a temporary file beside path and renames it over path, so the file is either the
// old one or the new one, never half written, whenever the process ends. With flushToDisk the data
// reach the disk before the rename (a power cut keeps them too; costs a few milliseconds).
// A symbolic link is followed to the end of its chain and its target is replaced, so the link stays;
// a dangling link's target is created when its folder exists. Keeps the old file's permissions;
// refuses a file that is not writable or not a regular file. False (and path untouched) when any
// step fails.
bool WriteFileAtomically(const std::string& path, const std::string& content, bool flushToDisk = true);

// Serialises read-edit-write cycles of this process.
std::mutex& FileEditMutex();

}  // namespace rtl_detail
