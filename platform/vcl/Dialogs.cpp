// Open, save and colour dialogs; headless they take scripted answers or are cancelled.
#include <QColorDialog>
#include <QFileDialog>
#include <QStringList>

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Internal.h"

namespace {

// "Text|*.a;*.b|Other|*.c" -> "Text (*.a *.b);;Other (*.c)"
QString QtFilter(const std::string& filter) {
  QStringList parts = vcl::ToQ(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << parts[i] + " (" + patterns + ")";
  }
  return out.join(";;");
}

}  // namespace

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TOpenDialog::Execute() { return Run(false); }

bool TSaveDialog::Execute() { return Run(true); }

bool TOpenDialog::Run(bool save) {
  std::string caption = !title_.empty() ? title_ : save ? "Save as" : "Open";
  vcl::Answer answer;
  if (vcl::TakeAnswer(vcl::AnswerKind::File, answer)) {
    bool chosen = answer.kind == vcl::AnswerKind::File;
    vcl::WriteHeadlessNote(caption, chosen ? answer.fileName : "(cancelled)");
    vcl::RecordShown(caption, fileName_, chosen ? mrOk : mrCancel);
    if (chosen) fileName_ = answer.fileName;
    return chosen;
  }
  if (vcl::IsHeadless() || !vcl::IsGuiThread()) {
    vcl::WriteHeadlessNote(caption, "(no display: cancelled)");
    vcl::RecordShown(caption, fileName_, mrCancel);
    return false;
  }
  QString start = vcl::ToQ(fileName_.empty() ? initialDir_ : fileName_);
  if (!fileName_.empty() && ExtractFilePath(fileName_).empty() && !initialDir_.empty())
    start = vcl::ToQ(IncludeTrailingPathDelimiter(initialDir_) + fileName_);
  QFileDialog::Options options;
  if (save && !(options_ & ofOverwritePrompt)) options |= QFileDialog::DontConfirmOverwrite;
  QString chosen = save ? QFileDialog::getSaveFileName(nullptr, vcl::ToQ(caption), start, QtFilter(filter_),
                                                       nullptr, options)
                        : QFileDialog::getOpenFileName(nullptr, vcl::ToQ(caption), start, QtFilter(filter_),
                                                       nullptr, options);
  vcl::RecordShown(caption, fileName_, chosen.isEmpty() ? mrCancel : mrOk);
  if (chosen.isEmpty()) return false;
  std::string name = vcl::FromQ(chosen);
  if (!defaultExt_.empty() && ExtractFileExt(name).empty())
    name += (defaultExt_[0] == '.' ? "" : ".") + defaultExt_;
  fileName_ = name;
  return true;
}

TColorDialog::TColorDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TColorDialog::Execute() {
  const std::string caption = "Colour";
  vcl::Answer answer;
  if (vcl::TakeAnswer(vcl::AnswerKind::Color, answer)) {
    bool chosen = answer.kind == vcl::AnswerKind::Color;
    vcl::WriteHeadlessNote(caption, chosen ? "colour " + std::to_string(answer.color) : "(cancelled)");
    vcl::RecordShown(caption, "", chosen ? mrOk : mrCancel);
    if (chosen) color_ = answer.color;
    return chosen;
  }
  if (vcl::IsHeadless() || !vcl::IsGuiThread()) {
    vcl::WriteHeadlessNote(caption, "(no display: cancelled)");
    vcl::RecordShown(caption, "", mrCancel);
    return false;
  }
  QColor chosen = QColorDialog::getColor(vcl::ToQColor(color_));
  vcl::RecordShown(caption, "", chosen.isValid() ? mrOk : mrCancel);
  if (!chosen.isValid()) return false;
  color_ = vcl::FromQColor(chosen);
  return true;
}

void ShowMessage(const std::string& text) {
  std::string title =
      Application->Title().empty() ? ExtractFileName(Application->ExeName()) : Application->Title();
  MessageBox(text, title, MB_OK);
}
