// The program's configuration file "RT7731IV.INI": one typed reader with a built-in default and one
// writer per key or key family. Every read goes to the file and every write goes straight through.
#pragma once
#include <memory>
#include <string>

#include "platform/vcl/Types.h"

class TIniFile;
class TControl;
class TForm;

// Window bounds as the FORM section keeps them.
struct FormBounds {
  int Left = 100;
  int Top = 100;
  int Width = 800;
  int Height = 600;
  bool operator==(const FormBounds&) const = default;
};

// Smallest main window the program lays out.
constexpr int MinFormWidth = 462;
constexpr int MinFormHeight = 462;
// Largest width or height a window may have (window systems keep coordinates in 16 bits); larger stored
// values would overflow the layout's arithmetic.
constexpr int MaxFormExtent = 32767;

// Bounds moved and sized so the window can be used on a screen of the given size: at least the minimum
// size and at most the screen size (MaxFormExtent when the size is not known), and a grip of the title
// area on the screen.
FormBounds ClampFormBounds(FormBounds bounds, int screenWidth, int screenHeight);

class IniService {
 public:
  static constexpr const char* FileName = "RT7731IV.INI";

  // folder: the program folder, with a trailing separator.
  explicit IniService(const std::string& folder);
  ~IniService();
  IniService(const IniService&) = delete;
  IniService& operator=(const IniService&) = delete;

  std::string Path() const;

  // ---- FORM ----
  // Stored bounds (or the maximised placement), kept usable on the screen; a null control does nothing.
  void LoadFormBounds(TControl* control);
  // Left, Top, Width, Height and MAXIMIZED of the form; a null form does nothing.
  void SaveFormBounds(TForm* form);
  // The bounds LoadFormBounds gives on a screen of the given size.
  FormBounds ReadFormBounds(int screenWidth, int screenHeight);
  void WriteFormBounds(const FormBounds& bounds, bool maximized);

  // ---- GRID ----
  int ReadGridColor();
  // The grid's alpha 0..255; a stored value outside gives the default 127: taken as a byte, 256 would
  // give an invisible grid and -1 an opaque one.
  int ReadGridTransparence();
  int ReadGridSize();
  void WriteGrid(int colour, int transparence, int size);

  // ---- DISPLAY ----
  int ReadDisplayTextColor();
  void WriteDisplayTextColor(int colour);
  bool ReadDisplayDims();
  void WriteDisplayDims(bool dims);
  int ReadDisplayBgColor();
  void WriteDisplayBgColor(int colour);

  // ---- TEST (channels 0..5; others read 0.0 / false and write nothing; a value that is not a
  // finite number reads 0.0, so that no synthesiser is tuned to it). Frequencies in Hz are kept as
  // doubles: a float would store a typed 40 MHz value off by up to 2 Hz. ----
  double ReadTestDDSFreq(int channel);
  void WriteTestDDSFreq(int channel, double value);
  bool ReadTestDDSOn(int channel);
  void WriteTestDDSOn(int channel, bool on);
  double ReadTestMainVcoFreq();
  void WriteTestMainVcoFreq(double value);

  // ---- SKIN and LANGUAGE (returned as stored; the users validate them) ----
  int ReadSkinNr();
  void WriteSkinNr(int skin);
  int ReadSkinTextColor(int skin);
  void WriteSkinTextColor(int colour, int skin);
  int ReadLangNr();
  void WriteLangNr(int language);

  // ---- SYSTEM ----
  double ReadXO400Offset();
  void WriteXO400Offset(double offset);
  // band 1 GSM900, 2 GSM1800, 3 UMTS, 4 LTE800, 5 LTE2600; another band reads 0 and writes nothing.
  int ReadBandLevelV2(int band);
  void WriteBandLevelV2(int band, int level);

  // Key names of the families.
  static std::string TestDDSKey(int channel);     // "TESTDDS-3"
  static std::string TestDDSOnKey(int channel);   // "TESTDDS-3-ON"
  static std::string SkinTextColorKey(int skin);  // "SKIN_TEXT_COLOR_1"
  static std::string BandLevelKey(int band);      // "LEVEL_V2_UMTS", "" for another band

  // Number of writes that failed since construction (each is also reported on stderr).
  int FailedWrites() const { return failedWrites; }

 private:
  void WriteInt(const char* section, const std::string& key, int value);
  void WriteBoolean(const char* section, const std::string& key, bool value);
  void WriteDouble(const char* section, const std::string& key, double value);
  void Report(bool written, const char* section, const std::string& key);

  std::unique_ptr<TIniFile> ini;
  int failedWrites = 0;
};
