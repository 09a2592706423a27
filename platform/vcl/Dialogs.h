// Open, save and colour dialogs, and simple message boxes. Conventions: see Controls.h.
// Headless, no dialog blocks: a dialog takes the next scripted answer (platform/vcl/TestHooks.h), or
// is cancelled (Execute returns false and nothing changes).
#pragma once
#include <string>

#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"

enum TOpenOption : unsigned {
  ofReadOnly = 1u << 0,
  ofOverwritePrompt = 1u << 1,
  ofHideReadOnly = 1u << 2,
  ofNoChangeDir = 1u << 3,
  ofAllowMultiSelect = 1u << 9,
  ofPathMustExist = 1u << 11,
  ofFileMustExist = 1u << 12,
  ofCreatePrompt = 1u << 13,
  ofEnableSizing = 1u << 23,
};
using TOpenOptions = unsigned;  // a set of TOpenOption bits
enum TOpenOptionEx : unsigned { ofExNoPlacesBar = 1 };
using TOpenOptionsEx = unsigned;

// Execute shows the dialog and returns true when the user chose a file; FileName then holds its
// full path. Filter: "Description|*.ext|Other|*.a;*.b".
class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* AOwner);
  virtual bool Execute();
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& name) { fileName_ = name; }
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& filter) { filter_ = filter; }
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int index) { filterIndex_ = index; }
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& dir) { initialDir_ = dir; }
  const std::string& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const std::string& ext) { defaultExt_ = ext; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions options) { options_ = options; }
  TOpenOptionsEx OptionsEx() const { return optionsEx_; }
  void SetOptionsEx(TOpenOptionsEx options) { optionsEx_ = options; }

 protected:
  bool Run(bool save);

 private:
  std::string fileName_;
  std::string filter_;
  int filterIndex_ = 1;
  std::string initialDir_;
  std::string defaultExt_;
  std::string title_;
  TOpenOptions options_ = ofHideReadOnly | ofEnableSizing;
  TOpenOptionsEx optionsEx_ = 0;
};

class TSaveDialog : public TOpenDialog {
 public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
  bool Execute() override;
};

// Execute shows a colour chooser starting at Color; true when the user chose one (Color is then it).
class TColorDialog : public TComponent {
 public:
  explicit TColorDialog(TComponent* AOwner);
  bool Execute();
  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }

 private:
  TColor color_ = clBlack;
};

// A box with the text and an OK button, captioned with the application's title.
void ShowMessage(const std::string& text);
