#include "platform/rtl/IniFiles.h"

#include "platform/rtl/IniCache.h"

using rtl_detail::FindInIniFile;
using rtl_detail::IniDocument;

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const {
  std::string value;
  return FindInIniFile(fileName_, section, ident, value) ? value : defaultValue;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const {
  std::string value;
  if (!FindInIniFile(fileName_, section, ident, value)) return defaultValue;
  return StrToIntDef(value, defaultValue);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& ident, double defaultValue) const {
  std::string value;
  if (!FindInIniFile(fileName_, section, ident, value)) return defaultValue;
  return StrToFloatDef(value, defaultValue);
}

bool TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  if (!IniDocument::IsWritableSection(section) || !IniDocument::IsWritableKey(ident) ||
      !IniDocument::IsWritableValue(value))
    return false;
  return rtl_detail::EditIniFile(fileName_, [&](IniDocument& document) {
    return document.Set(section, ident, value);
  });
}

bool TIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  return WriteString(section, ident, IntToStr(value));
}

bool TIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  return WriteString(section, ident, value ? "1" : "0");
}

bool TIniFile::WriteFloat(const std::string& section, const std::string& ident, double value) {
  return WriteString(section, ident, FloatToStr(value));
}

bool TIniFile::SectionExists(const std::string& section) const {
  return rtl_detail::IniFileHasSection(fileName_, section);
}

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) const {
  std::string value;
  return FindInIniFile(fileName_, section, ident, value);
}

void TIniFile::ReadSection(const std::string& section, TStringList& idents) const {
  std::vector<std::string> keys;
  rtl_detail::ReadIniFile(fileName_, [&](const IniDocument& document) { keys = document.Keys(section); });
  idents.Clear();
  for (const std::string& key : keys) idents.Add(key);
}

bool TIniFile::EraseSection(const std::string& section) {
  return rtl_detail::EditIniFile(fileName_, [&](IniDocument& document) { return document.EraseSection(section); });
}

bool TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  return rtl_detail::EditIniFile(fileName_, [&](IniDocument& document) { return document.DeleteKey(section, ident); });
}
