// INI-style files parsed once and kept in memory between uses, shared by TIniFile and TRegistry.
// Every use compares the file's stamp (device, inode, size, modification and status-change times)
// with that of the parsed copy and reads the file again only when it differs, so hundreds of reads
// cost one parse, and a change by another writer (in place or by a rename) is seen at the next use.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/rtl/IniDocument.h"

namespace rtl_detail {

// A larger file is no settings file of this program: it is neither read (its keys give their
// defaults, and stderr says so once) nor written, so its content is never lost.
inline constexpr int64_t MaxIniFileBytes = int64_t(64) << 20;

// A parsed copy is used again only when the file's last change is at least this old: a second change
// within one tick of the file system's clock would leave the stamp as it was.
inline constexpr int64_t RacyWindowNs = 100'000'000;

// Calls read with the file's current content; a missing, unreadable or too large file reads as empty.
void ReadIniFile(const std::string& path, const std::function<void(const IniDocument&)>& read);

// A key's value in the file's current content; false when the key is not there.
bool FindInIniFile(const std::string& path, const std::string& section, const std::string& key,
                   std::string& value);
// True when the file's current content has the section.
bool IniFileHasSection(const std::string& path, const std::string& section);

// Calls edit with the file's current content and, when edit reports a change, writes the result
// through WriteFileAtomically (creating the file's folder first when createFolder is set). False when
// the file exists but cannot be read or is too large, or when the write fails: the file then stays
// as it was. True when edit changed nothing.
bool EditIniFile(const std::string& path, const std::function<bool(IniDocument&)>& edit,
                 bool createFolder = false);

// How many times a file was read and parsed since the process started (for tests).
uint64_t IniFileParseCount();

}  // namespace rtl_detail
