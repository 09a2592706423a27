#include "service/Audiotestframeunit.h"

#include "device/InOut.h"
#include "platform/rtl/SysUtils.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"

namespace {
TTrackBar* MakeTrackBar(TComponent* owner, TWinControl* parent, int y, int position) {
  TTrackBar* tb = new TTrackBar(owner);
  tb->SetParent(parent);
  tb->SetBounds(8, y, 180, 30);
  tb->SetMin(0);
  tb->SetMax(255);
  tb->SetPosition(position);
  return tb;
}
}  // namespace

TAudioTestFrame::TAudioTestFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {
  SetBounds(0, 0, 220, 400);
  Button1 = new TButton(this);
  Button1->SetParent(this);
  Button1->SetBounds(8, 8, 100, 25);
  Button1->SetCaption("Test");
  Button1->OnClick = [this](TObject* s) { OnTestButClick(s); };
  InfoLabel = new TLabel(this);
  InfoLabel->SetParent(this);
  InfoLabel->SetBounds(8, 40, 189, 16);
  Panel1 = new TPanel(this);
  Panel1->SetParent(this);
  Panel1->SetBounds(8, 62, 200, 170);
  const char* captions[] = {"Sp-1", "Sp-2", "Sp-3", "Sp-4", "Probe", "Phones", "Amp"};
  for (size_t i = 0; i < CB.size(); ++i) {
    CB[i] = new TCheckBox(this);
    CB[i]->SetParent(Panel1);
    CB[i]->SetBounds(8, 4 + 23 * static_cast<int>(i), 100, 20);
    CB[i]->SetCaption(captions[i]);
    CB[i]->OnClick = [this](TObject* s) { OnSpeakerSelectClick(s); };
  }
  Panel2 = new TPanel(this);
  Panel2->SetParent(this);
  Panel2->SetBounds(8, 240, 200, 150);
  TB1 = MakeTrackBar(this, Panel2, 4, 0);
  CBMute = new TCheckBox(this);
  CBMute->SetParent(Panel2);
  CBMute->SetBounds(8, 38, 100, 20);
  TB2 = MakeTrackBar(this, Panel2, 64, 128);
  TB3 = MakeTrackBar(this, Panel2, 100, 128);
  // Handlers after the start positions, so that building the frame sends nothing.
  TB1->OnChange = [this](TObject* s) { OnTB1Change(s); };
  CBMute->OnClick = [this](TObject* s) { OnCBMuteClick(s); };
  TB2->OnChange = [this](TObject* s) { OnTB2Change(s); };
  TB3->OnChange = [this](TObject* s) { OnTB3Change(s); };
}

void TAudioTestFrame::Step(const char* name, bool ok) {
  if (!ok) MessageBox(name, "ERROR", MB_OK);
  InfoLabel->SetCaption(IntToStr(IOCtrl ? IOCtrl->GetError() & 0xFF : 0));
}

void TAudioTestFrame::StartWork() {
  if (!IOCtrl) return;
  HardwareLockGuard lock;
  Step("InitAudioSpeaker", IOCtrl->InitAudioSpeaker());
  Step("InitSoundProc", IOCtrl->InitSoundProc());
}

void TAudioTestFrame::OnTestButClick(TObject*) {
  if (!IOCtrl) return;
  HardwareLockGuard lock;
  Step("InitPCA9539", IOCtrl->InitPCA9539(0x74));
  Step("WritePCA9539", IOCtrl->WritePCA9539(0x74, 0));
  Step("InitSoundProc", IOCtrl->InitSoundProc());
  Step("SetSoundProcVolume", IOCtrl->SetSoundProcVolume(0));
}

void TAudioTestFrame::OnSpeakerSelectClick(TObject*) {
  if (!IOCtrl) return;
  HardwareLockGuard lock;
  Step("SetAudioSpeaker",
       IOCtrl->SetAudioSpeaker(CB[0]->Checked(), CB[1]->Checked(), CB[2]->Checked(), CB[3]->Checked(),
                               CB[4]->Checked(), CB[5]->Checked(), CB[6]->Checked()));
}

void TAudioTestFrame::OnTB1Change(TObject*) {
  if (!IOCtrl) return;
  HardwareLockGuard lock;
  Step("SetSoundProcVolume", IOCtrl->SetSoundProcVolume(static_cast<uint8_t>(TB1->Position())));
}

void TAudioTestFrame::OnCBMuteClick(TObject*) {
  if (!IOCtrl) return;
  HardwareLockGuard lock;
  Step("WriteTEA6320", IOCtrl->WriteTEA6320(7, CBMute->Checked() ? 0x80 : 0));
}

void TAudioTestFrame::OnTB2Change(TObject*) {
  if (!IOCtrl) return;
  HardwareLockGuard lock;
  Step("SetSoundProcLowpass", IOCtrl->SetSoundProcLowpass(static_cast<uint8_t>(TB2->Position())));
}

void TAudioTestFrame::OnTB3Change(TObject*) {
  if (!IOCtrl) return;
  HardwareLockGuard lock;
  Step("SetSoundProcHighpass", IOCtrl->SetSoundProcHighpass(static_cast<uint8_t>(TB3->Position())));
}
