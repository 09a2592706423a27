#include "service/Filterframeunit.h"

#include <cstdint>

#include "device/InOut.h"
#include "platform/rtl/SysUtils.h"
#include "service/ServiceInput.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/HardwareLockGuard.h"

namespace {
using RecordBytes = std::array<uint8_t, FilterRecordFileSize>;

std::string FilterFilePath(int record) { return ProgramFolder + FilterFileName(record); }

TRadioButton* MakeRadio(TComponent* owner, TWinControl* parent, const char* caption, int y, bool checked) {
  TRadioButton* rb = new TRadioButton(owner);
  rb->SetParent(parent);
  rb->SetBounds(8, y, 100, 20);
  rb->SetCaption(caption);
  rb->SetChecked(checked);
  return rb;
}
}  // namespace

const char* FilterFileName(int record) {
  static const char* const names[FilterRecordCount] = {"Filter_W_0.fil", "Filter_W_1.fil", "Filter_W_2.fil",
                                                       "Filter_A_3.fil", "Filter_A_4.fil", "Filter_A_5.fil"};
  return record >= 0 && record < FilterRecordCount ? names[record] : "";
}

TFilterUserFrame::TFilterUserFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {
  SetBounds(0, 0, 220, 250);
  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetParent(this);
  GroupBox1->SetBounds(8, 8, 200, 90);
  GroupBox1->SetCaption("Sweep");
  RB1 = MakeRadio(this, GroupBox1, "18 MHz", 18, true);
  RB2 = MakeRadio(this, GroupBox1, "4 MHz", 40, false);
  RB3 = MakeRadio(this, GroupBox1, "1 MHz", 62, false);
  GroupBox2 = new TGroupBox(this);
  GroupBox2->SetParent(this);
  GroupBox2->SetBounds(8, 104, 200, 68);
  GroupBox2->SetCaption("Modul");
  RBModWobbel = MakeRadio(this, GroupBox2, "Wobbel", 18, true);
  RBModAudio = MakeRadio(this, GroupBox2, "Audio", 40, false);
  // Handlers after the initial selection, so that building the frame starts nothing.
  for (TRadioButton* rb : {RB1, RB2, RB3}) rb->OnClick = [this](TObject* s) { OnRBSweepClick(s); };
  for (TRadioButton* rb : {RBModWobbel, RBModAudio}) rb->OnClick = [this](TObject* s) { OnRBModulClick(s); };
  Button1 = new TButton(this);
  Button1->SetParent(this);
  Button1->SetBounds(8, 180, 200, 25);
  Button1->SetCaption("Save Filter from PIC");
  Button1->OnClick = [this](TObject* s) { OnSaveFilterButClick(s); };
  Button2 = new TButton(this);
  Button2->SetParent(this);
  Button2->SetBounds(8, 210, 200, 25);
  Button2->SetCaption("Save Filter to PIC-EEPROM");
  Button2->OnClick = [this](TObject* s) { OnUpdateEEPROMButClick(s); };
}

int TFilterUserFrame::CheckRange() const { return RB3->Checked() ? 2 : (RB2->Checked() ? 1 : 0); }
int TFilterUserFrame::CheckModule() const { return RBModAudio->Checked() ? 1 : 0; }

void TFilterUserFrame::OnRBSweepClick(TObject* Sender) {
  if (OnChange) OnChange(Sender);
}

void TFilterUserFrame::OnRBModulClick(TObject* Sender) {
  if (OnChange) OnChange(Sender);
}

void TFilterUserFrame::OnSaveFilterButClick(TObject*) {
  Guarded("TFilterUserFrame::OnSaveFilterButClick", [&] {
    if (!LinkUp || !IOCtrl) return;
    // All six records are read before a file is written, so a failed read leaves no mixed backup.
    std::array<RecordBytes, FilterRecordCount> records{};
    for (int k = 0; k < FilterRecordCount; ++k) {
      HardwareLockGuard lock;
      if (!IOCtrl->ReadFilterRecord(static_cast<uint8_t>(k), records[static_cast<size_t>(k)].data())) {
        LinkUp = 0;
        return;
      }
    }
    for (int k = 0; k < FilterRecordCount; ++k) {
      try {
        SaveFilterRecord(records[static_cast<size_t>(k)].data(), FilterFilePath(k));
      } catch (const std::exception& e) {
        ShowServiceMessage(std::string(FilterFileName(k)) + " could not be written: " + e.what());
        return;
      }
    }
  });
}

void TFilterUserFrame::OnUpdateEEPROMButClick(TObject*) {
  Guarded("TFilterUserFrame::OnUpdateEEPROMButClick", [&] {
    if (!LinkUp || !IOCtrl) return;
    // Every file is read and checked (present, readable, holding at least the record's 40 bytes)
    // before the question, so a bad file never leaves the EEPROM with some records restored and
    // others not.
    std::array<RecordBytes, FilterRecordCount> records{};
    for (int k = 0; k < FilterRecordCount; ++k) {
      try {
        LoadFilterRecord(records[static_cast<size_t>(k)].data(), FilterFilePath(k));
      } catch (const std::exception& e) {
        ShowServiceMessage(std::string(FilterFileName(k)) + " cannot be used (" + e.what() +
                           "); nothing was written to the device");
        return;
      }
    }
    if (MessageBox("EEPROM wirklich updaten ?", "Filterdaten in EEPROM schreibrn",
                   MB_YESNO | MB_ICONQUESTION) != IDYES)
      return;
    for (int k = 0; k < FilterRecordCount; ++k) {
      HardwareLockGuard lock;
      if (!IOCtrl->WriteFilterRecord(static_cast<uint8_t>(k), records[static_cast<size_t>(k)].data())) {
        LinkUp = 0;
        return;
      }
    }
  });
}
