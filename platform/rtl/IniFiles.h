// INI file access: every read sees the file as it is now (a parsed copy is kept only while the file is
// unchanged, see IniCache.h), every write rewrites it at once.
#pragma once
#include <string>

#include "platform/rtl/Classes.h"

// Section and key names match without regard to ASCII case. A missing file, section or key, or a value
// that does not parse as the requested type, gives the default. Numbers use '.' as decimal separator;
// booleans are stored as 1/0 (any integer other than 0 reads as true).
// Writes never throw: they return false when the file cannot be written (or a name or value would
// break the file's syntax, such as a line break), and then leave the file as it was. A write replaces
// the file through a temporary file and a rename, so a crash never leaves half a file. The file is
// created on the first write (its folder must exist). Comments and unknown lines are kept.
class TIniFile : public TObject {
 public:
  explicit TIniFile(std::string fileName);
  const std::string& FileName() const { return fileName_; }

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue) const;
  int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
  bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;
  double ReadFloat(const std::string& section, const std::string& ident, double defaultValue) const;

  bool WriteString(const std::string& section, const std::string& ident, const std::string& value);
  bool WriteInteger(const std::string& section, const std::string& ident, int value);
  bool WriteBool(const std::string& section, const std::string& ident, bool value);
  bool WriteFloat(const std::string& section, const std::string& ident, double value);  // FloatToStr

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& ident) const;
  void ReadSection(const std::string& section, TStringList& idents) const;  // key names, file order
  bool EraseSection(const std::string& section);  // true also when there was nothing to erase
  bool DeleteKey(const std::string& section, const std::string& ident);
  void UpdateFile() {}  // writes are never buffered

 private:
  std::string fileName_;
};
