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

// True when no person can answer the dialog (no display, dismissed, or not the GUI thread): it is
// noted and recorded as cancelled. Otherwise a headless dialog notes that it waits to be closed.
bool CancelledWithoutPerson(const std::string& caption, const std::string& recorded) {
  if (vcl::AnswersAtOnce() || !vcl::IsGuiThread()) {
    vcl::WriteHeadlessNote(caption,
                           Application->DialogsDismissed() ? "(dismissed)" : "(no display: cancelled)");
    vcl::RecordShown(caption, recorded, mrCancel);
    return true;
  }
  if (vcl::IsHeadless()) vcl::WriteHeadlessNote(caption, "(waiting)");
  return false;
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
  if (CancelledWithoutPerson(caption, fileName_)) return false;
  QString start = vcl::ToQ(fileName_.empty() ? initialDir_ : fileName_);
  if (!fileName_.empty() && ExtractFilePath(fileName_).empty() && !initialDir_.empty())
    start = vcl::ToQ(IncludeTrailingPathDelimiter(initialDir_) + fileName_);
  // Our own dialog widget, never the desktop's: a termination request must be able to close it.
  QFileDialog dialog(nullptr, vcl::ToQ(caption), start, QtFilter(filter_));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (!save) dialog.setFileMode(QFileDialog::ExistingFile);
  if (save && !(options_ & ofOverwritePrompt)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  QString chosen;
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    chosen = dialog.selectedFiles().constFirst();
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
  if (CancelledWithoutPerson(caption, "")) return false;
  QColorDialog dialog(vcl::ToQColor(color_));
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  QColor chosen = dialog.exec() == QDialog::Accepted ? dialog.selectedColor() : QColor();
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
