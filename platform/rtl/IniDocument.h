// The text of an INI file as lines, with lookups and edits that keep every other line as it was.
// Shared by TIniFile and TRegistry.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rtl_detail {

class IniDocument {
 public:
  void Parse(const std::string& text);
  std::string Serialize() const;

  // Names compare without regard to ASCII case; the first matching section and key count.
  bool HasSection(const std::string& section) const;
  bool Find(const std::string& section, const std::string& key, std::string& value) const;
  std::vector<std::string> Keys(const std::string& section) const;

  // False when the key already holds that value: the document (and the line's own form) stay as they are.
  bool Set(const std::string& section, const std::string& key, const std::string& value);
  void AddSection(const std::string& section);    // nothing when it exists
  bool EraseSection(const std::string& section);  // every section of that name; false when none
  // Every entry of the key in the section that Find reads; false when there is none.
  bool DeleteKey(const std::string& section, const std::string& key);

  // Names and values that can be written without breaking the file's line syntax.
  static bool IsWritableSection(const std::string& section);
  static bool IsWritableKey(const std::string& key);
  static bool IsWritableValue(const std::string& value);

 private:
  enum class Kind { Other, Section, Entry };
  // One line as it stands in the file; its name (section name or key) and value (entries only,
  // without quotes) are parts of it, so a large file costs one string a line.
  struct Line {
    Kind kind = Kind::Other;
    std::string raw;
    uint32_t nameAt = 0, nameSize = 0;
    uint32_t valueAt = 0, valueSize = 0;
    std::string_view Name() const { return std::string_view(raw).substr(nameAt, nameSize); }
    std::string_view Value() const { return std::string_view(raw).substr(valueAt, valueSize); }
  };
  struct Range {
    size_t header, end;  // header line index, one past the section's last line
  };
  static Line ParseLine(std::string raw);
  static Line EntryLine(const std::string& key, const std::string& value);
  bool FindSection(const std::string& section, Range& range) const;
  void Changed() { sectionIndexed_ = false; }

  std::vector<Line> lines_;
  // First header line of each section by its ASCII-lower-case name, built at the first lookup after
  // a change, so a lookup in a large file does not walk all of its lines.
  mutable std::unordered_map<std::string, size_t> sectionIndex_;
  mutable bool sectionIndexed_ = false;
  std::string lineEnd_ = "\r\n";
  bool byteOrderMark_ = false;
};

}  // namespace rtl_detail
