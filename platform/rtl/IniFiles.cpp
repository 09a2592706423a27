#include "platform/rtl/IniFiles.h"

#include "platform/rtl/FileText.h"
#include "platform/rtl/IniDocument.h"

using rtl_detail::IniDocument;

namespace {

IniDocument Load(const std::string& fileName) {
  IniDocument document;
  std::string text;
  if (rtl_detail::ReadWholeFile(fileName, text)) document.Parse(text);
  return document;
}

// Reads the file, applies edit and writes the file back when edit reports a change.
template <typename Edit>
bool EditFile(const std::string& fileName, Edit edit) {
  std::lock_guard lock(rtl_detail::FileEditMutex());
  std::string text;
  if (!rtl_detail::ReadFileForEdit(fileName, text)) return false;
  IniDocument document;
  document.Parse(text);
  if (!edit(document)) return true;
  return rtl_detail::WriteFileAtomically(fileName, document.Serialize());
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const {
  std::string value;
  return Load(fileName_).Find(section, ident, value) ? value : defaultValue;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const {
  std::string value;
  if (!Load(fileName_).Find(section, ident, value)) return defaultValue;
  return StrToIntDef(value, defaultValue);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& ident, double defaultValue) const {
  std::string value;
  if (!Load(fileName_).Find(section, ident, value)) return defaultValue;
  return StrToFloatDef(value, defaultValue);
}

bool TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  if (!IniDocument::IsWritableSection(section) || !IniDocument::IsWritableKey(ident) ||
      !IniDocument::IsWritableValue(value))
    return false;
  return EditFile(fileName_, [&](IniDocument& document) {
    document.Set(section, ident, value);
    return true;
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

bool TIniFile::SectionExists(const std::string& section) const { return Load(fileName_).HasSection(section); }

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) const {
  std::string value;
  return Load(fileName_).Find(section, ident, value);
}

void TIniFile::ReadSection(const std::string& section, TStringList& idents) const {
  idents.Clear();
  for (const std::string& key : Load(fileName_).Keys(section)) idents.Add(key);
}

bool TIniFile::EraseSection(const std::string& section) {
  return EditFile(fileName_, [&](IniDocument& document) { return document.EraseSection(section); });
}

bool TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  return EditFile(fileName_, [&](IniDocument& document) { return document.DeleteKey(section, ident); });
}
