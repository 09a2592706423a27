#include "platform/rtl/IniDocument.h"

#include "platform/rtl/SysUtils.h"

#include <algorithm>

namespace rtl_detail {

namespace {

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

bool IsBlank(unsigned char c) { return c <= ' '; }

// Names compare without regard to ASCII case.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Quotes a value whose outer blanks or quotes would otherwise be lost on reading.
std::string Quote(const std::string& value) {
  if (value.empty()) return value;
  bool outerBlank = IsBlank(value.front()) || IsBlank(value.back());
  bool looksQuoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
  return outerBlank || looksQuoted ? '"' + value + '"' : value;
}

}  // namespace

IniDocument::Line IniDocument::ParseLine(std::string raw) {
  Line line;
  line.raw = std::move(raw);
  const std::string_view text(line.raw);
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  if (begin == end || text[begin] == ';' || text[begin] == '#') return line;
  // Sets the part [from, to) of the line, less its outer blanks.
  const auto part = [&](size_t from, size_t to, uint32_t& at, uint32_t& size) {
    while (from < to && IsBlank(text[from])) ++from;
    while (to > from && IsBlank(text[to - 1])) --to;
    at = uint32_t(from);
    size = uint32_t(to - from);
  };
  if (text[begin] == '[') {
    size_t close = text.find(']', begin);
    if (close != std::string_view::npos) {  // a header cut short has no name and is skipped
      line.kind = Kind::Section;
      part(begin + 1, close, line.nameAt, line.nameSize);
    }
    return line;
  }
  size_t equals = text.find('=', begin);
  if (equals == std::string_view::npos || equals == begin || equals >= end) return line;
  line.kind = Kind::Entry;
  part(begin, equals, line.nameAt, line.nameSize);
  part(equals + 1, end, line.valueAt, line.valueSize);
  if (line.valueSize >= 2 && text[line.valueAt] == '"' && text[line.valueAt + line.valueSize - 1] == '"') {
    line.valueAt += 1;
    line.valueSize -= 2;
  }
  return line;
}

IniDocument::Line IniDocument::EntryLine(const std::string& key, const std::string& value) {
  const std::string stored = Quote(value);
  Line line;
  line.kind = Kind::Entry;
  line.raw = key + "=" + stored;
  line.nameSize = uint32_t(key.size());
  line.valueAt = uint32_t(key.size() + 1 + (stored.size() - value.size()) / 2);
  line.valueSize = uint32_t(value.size());
  return line;
}

void IniDocument::Parse(const std::string& text) {
  Changed();
  lines_.clear();
  byteOrderMark_ = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
  size_t start = byteOrderMark_ ? 3 : 0;
  size_t firstBreak = text.find('\n', start);
  lineEnd_ = (firstBreak != std::string::npos && firstBreak > start && text[firstBreak - 1] == '\r') ||
                     firstBreak == std::string::npos
                 ? "\r\n"
                 : "\n";
  lines_.reserve(size_t(std::count(text.begin() + long(start), text.end(), '\n')) + 1);
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t length = end - start;
    if (length > 0 && text[end - 1] == '\r') --length;
    lines_.push_back(ParseLine(text.substr(start, length)));
    start = end + 1;
  }
}

std::string IniDocument::Serialize() const {
  std::string text = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
  size_t size = text.size();
  for (const Line& line : lines_) size += line.raw.size() + lineEnd_.size();
  text.reserve(size);
  for (const Line& line : lines_) {
    text += line.raw;
    text += lineEnd_;
  }
  return text;
}

bool IniDocument::FindSection(const std::string& section, Range& range) const {
  if (!sectionIndexed_) {
    sectionIndex_.clear();
    for (size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].kind == Kind::Section) sectionIndex_.emplace(LowerCase(std::string(lines_[i].Name())), i);
    sectionIndexed_ = true;
  }
  const auto found = sectionIndex_.find(LowerCase(section));
  if (found == sectionIndex_.end()) return false;
  size_t end = found->second + 1;
  while (end < lines_.size() && lines_[end].kind != Kind::Section) ++end;
  range = {found->second, end};
  return true;
}

bool IniDocument::HasSection(const std::string& section) const {
  Range range{};
  return FindSection(section, range);
}

bool IniDocument::Find(const std::string& section, const std::string& key, std::string& value) const {
  Range range{};
  if (!FindSection(section, range)) return false;
  for (size_t i = range.header + 1; i < range.end; ++i) {
    if (lines_[i].kind == Kind::Entry && SameName(lines_[i].Name(), key)) {
      value = lines_[i].Value();
      return true;
    }
  }
  return false;
}

std::vector<std::string> IniDocument::Keys(const std::string& section) const {
  std::vector<std::string> keys;
  Range range{};
  if (!FindSection(section, range)) return keys;
  for (size_t i = range.header + 1; i < range.end; ++i)
    if (lines_[i].kind == Kind::Entry) keys.emplace_back(lines_[i].Name());
  return keys;
}

void IniDocument::AddSection(const std::string& section) {
  if (HasSection(section)) return;
  if (!lines_.empty() && !Trim(lines_.back().raw).empty()) lines_.push_back(Line{});
  Changed();
  Line header;
  header.kind = Kind::Section;
  header.raw = "[" + section + "]";
  header.nameAt = 1;
  header.nameSize = uint32_t(section.size());
  lines_.push_back(header);
}

bool IniDocument::Set(const std::string& section, const std::string& key, const std::string& value) {
  AddSection(section);
  Range range{};
  FindSection(section, range);
  size_t insertAt = range.header + 1;
  for (size_t i = range.header + 1; i < range.end; ++i) {
    if (lines_[i].kind != Kind::Entry) {
      if (!Trim(lines_[i].raw).empty()) insertAt = i + 1;  // after comments too, before blank lines
      continue;
    }
    if (SameName(lines_[i].Name(), key)) {
      if (lines_[i].Value() == value) return false;
      lines_[i] = EntryLine(std::string(lines_[i].Name()), value);
      return true;
    }
    insertAt = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), EntryLine(key, value));
  Changed();
  return true;
}

bool IniDocument::EraseSection(const std::string& section) {
  bool erased = false;
  Range range{};
  while (FindSection(section, range)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range.header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range.end));
    Changed();
    erased = true;
  }
  return erased;
}

bool IniDocument::DeleteKey(const std::string& section, const std::string& key) {
  Range range{};
  if (!FindSection(section, range)) return false;
  // Every entry of the key goes: a second one would otherwise surface as the value after the delete.
  bool deleted = false;
  for (size_t i = range.end; i-- > range.header + 1;) {
    if (lines_[i].kind == Kind::Entry && SameName(lines_[i].Name(), key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      Changed();
      deleted = true;
    }
  }
  return deleted;
}

bool IniDocument::IsWritableSection(const std::string& section) {
  return !section.empty() && section == Trim(section) && !HasLineBreak(section) &&
         section.find(']') == std::string::npos;
}

bool IniDocument::IsWritableKey(const std::string& key) {
  return !key.empty() && key == Trim(key) && !HasLineBreak(key) && key.find('=') == std::string::npos &&
         key[0] != '[' && key[0] != ';' && key[0] != '#';
}

bool IniDocument::IsWritableValue(const std::string& value) { return !HasLineBreak(value); }

}  // namespace rtl_detail
