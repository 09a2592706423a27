#include "base/IniService.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"

namespace {

constexpr const char* Form = "FORM";
constexpr const char* Grid = "GRID";
constexpr const char* Display = "DISPLAY";
constexpr const char* Test = "TEST";
constexpr const char* Skin = "SKIN";
constexpr const char* Language = "LANGUAGE";
constexpr const char* System = "SYSTEM";

constexpr int DefaultGridColor = 8421504;  // 0x808080
constexpr int DefaultGridTransparence = 127;
constexpr int DefaultGridSize = 3;
constexpr int DefaultDisplayTextColor = 15780518;  // 0xF0CAA6
constexpr int DefaultDisplayBgColor = 0;
constexpr int DefaultSkinNr = 1;
constexpr int DefaultSkinTextColor = 8421504;
constexpr int DefaultLangNr = 0;
constexpr int DefaultBandLevel = 127;
constexpr int TestChannels = 6;
constexpr int MaxGridTransparence = 255;  // the grid's alpha byte

// Part of the window that must stay on the screen so it can be grabbed and moved back.
constexpr int GripWidth = 100;
constexpr int GripHeight = 50;

bool ValidChannel(int channel) { return channel >= 0 && channel < TestChannels; }

// A stored number that is not finite (such as 1e999 or nan) reads 0.0.
double FiniteOrZero(double value) { return std::isfinite(value) ? value : 0.0; }
}  // namespace

FormBounds ClampFormBounds(FormBounds b, int screenWidth, int screenHeight) {
  // A window larger than the screen cannot be used and a huge one cannot even be drawn.
  if (screenWidth > 0) b.Width = std::min(b.Width, screenWidth);
  if (screenHeight > 0) b.Height = std::min(b.Height, screenHeight);
  b.Width = std::clamp(b.Width, MinFormWidth, MaxFormExtent);
  b.Height = std::clamp(b.Height, MinFormHeight, MaxFormExtent);
  if (screenWidth > 0) b.Left = std::clamp(b.Left, GripWidth - b.Width, std::max(0, screenWidth - GripWidth));
  if (screenHeight > 0) b.Top = std::clamp(b.Top, 0, std::max(0, screenHeight - GripHeight));
  return b;
}

IniService::IniService(const std::string& folder)
    : ini(std::make_unique<TIniFile>(
          (folder.empty() ? "" : IncludeTrailingPathDelimiter(PlatformPath(folder))) + FileName)) {}

IniService::~IniService() = default;

std::string IniService::Path() const { return ini->FileName(); }

// ---- writing ----

void IniService::Report(bool written, const char* section, const std::string& key) {
  if (written) return;
  ++failedWrites;
  std::fprintf(stderr, "%s: cannot write [%s] %s\n", ini->FileName().c_str(), section, key.c_str());
}

void IniService::WriteInt(const char* section, const std::string& key, int value) {
  Report(ini->WriteInteger(section, key, value), section, key);
}

void IniService::WriteBoolean(const char* section, const std::string& key, bool value) {
  Report(ini->WriteBool(section, key, value), section, key);
}

void IniService::WriteDouble(const char* section, const std::string& key, double value) {
  Report(ini->WriteFloat(section, key, value), section, key);
}

// ---- FORM ----

FormBounds IniService::ReadFormBounds(int screenWidth, int screenHeight) {
  FormBounds b;
  b.Left = ini->ReadInteger(Form, "Left", 100);
  b.Top = ini->ReadInteger(Form, "Top", 100);
  b.Width = ini->ReadInteger(Form, "Width", 800);
  b.Height = ini->ReadInteger(Form, "Height", 600);
  if (ini->ReadBool(Form, "MAXIMIZED", false)) b = {20, 20, screenWidth - 40, screenHeight - 80};
  return ClampFormBounds(b, screenWidth, screenHeight);
}

void IniService::LoadFormBounds(TControl* control) {
  if (!control) return;
  const FormBounds b = ReadFormBounds(Screen->Width(), Screen->Height());
  control->SetBounds(b.Left, b.Top, b.Width, b.Height);
}

void IniService::SaveFormBounds(TForm* form) {
  if (!form) return;
  WriteFormBounds({form->Left(), form->Top(), form->Width(), form->Height()},
                  form->WindowState() == wsMaximized);
}

void IniService::WriteFormBounds(const FormBounds& b, bool maximized) {
  WriteInt(Form, "Left", b.Left);
  WriteInt(Form, "Top", b.Top);
  WriteInt(Form, "Width", b.Width);
  WriteInt(Form, "Height", b.Height);
  WriteBoolean(Form, "MAXIMIZED", maximized);
}

// ---- GRID ----

int IniService::ReadGridColor() { return ini->ReadInteger(Grid, "Color", DefaultGridColor); }
int IniService::ReadGridTransparence() {
  const int alpha = ini->ReadInteger(Grid, "Transparence", DefaultGridTransparence);
  return alpha >= 0 && alpha <= MaxGridTransparence ? alpha : DefaultGridTransparence;
}
int IniService::ReadGridSize() { return ini->ReadInteger(Grid, "Size", DefaultGridSize); }

void IniService::WriteGrid(int colour, int transparence, int size) {
  WriteInt(Grid, "Color", colour);
  WriteInt(Grid, "Transparence", transparence);
  WriteInt(Grid, "Size", size);
}

// ---- DISPLAY ----

int IniService::ReadDisplayTextColor() {
  return ini->ReadInteger(Display, "TextColor", DefaultDisplayTextColor);
}
void IniService::WriteDisplayTextColor(int colour) { WriteInt(Display, "TextColor", colour); }
bool IniService::ReadDisplayDims() { return ini->ReadBool(Display, "Dims", false); }
void IniService::WriteDisplayDims(bool dims) { WriteBoolean(Display, "Dims", dims); }
int IniService::ReadDisplayBgColor() { return ini->ReadInteger(Display, "BgColor", DefaultDisplayBgColor); }
void IniService::WriteDisplayBgColor(int colour) { WriteInt(Display, "BgColor", colour); }

// ---- TEST ----

std::string IniService::TestDDSKey(int channel) { return "TESTDDS-" + IntToStr(channel); }
std::string IniService::TestDDSOnKey(int channel) { return TestDDSKey(channel) + "-ON"; }

double IniService::ReadTestDDSFreq(int channel) {
  if (!ValidChannel(channel)) return 0.0;
  return FiniteOrZero(ini->ReadFloat(Test, TestDDSKey(channel), 0.0));
}

void IniService::WriteTestDDSFreq(int channel, double value) {
  if (ValidChannel(channel)) WriteDouble(Test, TestDDSKey(channel), value);
}

bool IniService::ReadTestDDSOn(int channel) {
  return ValidChannel(channel) && ini->ReadBool(Test, TestDDSOnKey(channel), false);
}

void IniService::WriteTestDDSOn(int channel, bool on) {
  if (ValidChannel(channel)) WriteBoolean(Test, TestDDSOnKey(channel), on);
}

double IniService::ReadTestMainVcoFreq() {
  return FiniteOrZero(ini->ReadFloat(Test, "TEST_MAINVCO_FREQ", 0.0));
}

void IniService::WriteTestMainVcoFreq(double value) { WriteDouble(Test, "TEST_MAINVCO_FREQ", value); }

// ---- SKIN and LANGUAGE ----

std::string IniService::SkinTextColorKey(int skin) { return "SKIN_TEXT_COLOR_" + IntToStr(skin); }

int IniService::ReadSkinNr() { return ini->ReadInteger(Skin, "SKIN_NR", DefaultSkinNr); }
void IniService::WriteSkinNr(int skin) { WriteInt(Skin, "SKIN_NR", skin); }

int IniService::ReadSkinTextColor(int skin) {
  return ini->ReadInteger(Skin, SkinTextColorKey(skin), DefaultSkinTextColor);
}

void IniService::WriteSkinTextColor(int colour, int skin) { WriteInt(Skin, SkinTextColorKey(skin), colour); }

int IniService::ReadLangNr() { return ini->ReadInteger(Language, "LANG_NR", DefaultLangNr); }
void IniService::WriteLangNr(int language) { WriteInt(Language, "LANG_NR", language); }

// ---- SYSTEM ----

double IniService::ReadXO400Offset() { return ini->ReadFloat(System, "XO400_OFFSET", 0.0); }
void IniService::WriteXO400Offset(double offset) { WriteDouble(System, "XO400_OFFSET", offset); }

std::string IniService::BandLevelKey(int band) {
  switch (band) {
    case 1:
      return "LEVEL_V2_GSM900";
    case 2:
      return "LEVEL_V2_GSM1800";
    case 3:
      return "LEVEL_V2_UMTS";
    case 4:
      return "LEVEL_V2_LTE800";
    case 5:
      return "LEVEL_V2_LTE2600";
    default:
      return "";
  }
}

int IniService::ReadBandLevelV2(int band) {
  const std::string key = BandLevelKey(band);
  return key.empty() ? 0 : ini->ReadInteger(System, key, DefaultBandLevel);
}

void IniService::WriteBandLevelV2(int band, int level) {
  const std::string key = BandLevelKey(band);
  if (!key.empty()) WriteInt(System, key, level);
}
