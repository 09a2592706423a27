#include "platform/rtl/IniDocument.h"

#include "platform/rtl/SysUtils.h"

namespace rtl_detail {

namespace {

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

bool IsBlank(unsigned char c) { return c <= ' '; }

std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return value.substr(1, value.size() - 2);
  return value;
}

// Quotes a value whose outer blanks or quotes would otherwise be lost on reading.
std::string Quote(const std::string& value) {
  if (value.empty()) return value;
  bool outerBlank = IsBlank(value.front()) || IsBlank(value.back());
  bool looksQuoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
  return outerBlank || looksQuoted ? '"' + value + '"' : value;
}

}  // namespace

IniDocument::Line IniDocument::ParseLine(const std::string& raw) {
  Line line;
  line.raw = raw;
  std::string text = Trim(raw);
  if (text.empty() || text[0] == ';' || text[0] == '#') return line;
  if (text[0] == '[') {
    size_t close = text.find(']');
    if (close != std::string::npos) {  // a header cut short has no name and is skipped
      line.kind = Kind::Section;
      line.name = Trim(text.substr(1, close - 1));
    }
    return line;
  }
  size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0) return line;
  line.kind = Kind::Entry;
  line.name = Trim(text.substr(0, equals));
  line.value = Unquote(Trim(text.substr(equals + 1)));
  return line;
}

IniDocument::Line IniDocument::EntryLine(const std::string& key, const std::string& value) {
  Line line;
  line.kind = Kind::Entry;
  line.name = key;
  line.value = value;
  line.raw = key + "=" + Quote(value);
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
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string raw = text.substr(start, end - start);
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    lines_.push_back(ParseLine(raw));
    start = end + 1;
  }
}

std::string IniDocument::Serialize() const {
  std::string text = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
  for (const Line& line : lines_) text += line.raw + lineEnd_;
  return text;
}

bool IniDocument::FindSection(const std::string& section, Range& range) const {
  if (!sectionIndexed_) {
    sectionIndex_.clear();
    for (size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].kind == Kind::Section) sectionIndex_.emplace(LowerCase(lines_[i].name), i);
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
    if (lines_[i].kind == Kind::Entry && SameText(lines_[i].name, key)) {
      value = lines_[i].value;
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
    if (lines_[i].kind == Kind::Entry) keys.push_back(lines_[i].name);
  return keys;
}

void IniDocument::AddSection(const std::string& section) {
  if (HasSection(section)) return;
  if (!lines_.empty() && !Trim(lines_.back().raw).empty()) lines_.push_back(Line{});
  Changed();
  Line header;
  header.kind = Kind::Section;
  header.name = section;
  header.raw = "[" + section + "]";
  lines_.push_back(header);
}

void IniDocument::Set(const std::string& section, const std::string& key, const std::string& value) {
  AddSection(section);
  Range range{};
  FindSection(section, range);
  size_t insertAt = range.header + 1;
  for (size_t i = range.header + 1; i < range.end; ++i) {
    if (lines_[i].kind != Kind::Entry) {
      if (!Trim(lines_[i].raw).empty()) insertAt = i + 1;  // after comments too, before blank lines
      continue;
    }
    if (SameText(lines_[i].name, key)) {
      lines_[i] = EntryLine(lines_[i].name, value);
      return;
    }
    insertAt = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), EntryLine(key, value));
  Changed();
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
    if (lines_[i].kind == Kind::Entry && SameText(lines_[i].name, key)) {
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
