// The idle render loop, the link supervision, the scene start and the instrument bring-up.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "device/InOut.h"
#include "display/DirectXBase.h"
#include "display/Display.h"
#include "platform/rtl/SyncObjs.h"
#include "platform/rtl/SysUtils.h"
#include "service/HardwareSelfCheck.h"
#include "service/ServicePrograms.h"
#include "service/Testframeunit.h"
#include "shell/CategoryFrames.h"
#include "shell/RT7731_IV_Unit.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"
#include "base/Language.h"
#include "base/Log.h"

int LinkLightLevel = 120;

int NextLinkLightLevel(int level) {
  level += 5;
  return level >= 255 ? 120 : level;
}

void TMainWin::IdleLoop(TObject*, bool& Done) {
  if (SelfCheckLoop) {
    // Service build: the status list instead of the scene, one check a second while messages come.
    if (RenderWindow) RenderWindow->Hide();
    RunHardwareSelfCheck();
    Application->ProcessMessages();
    Sleep(1000);
    Done = true;
    return;
  }
  if (!xBase) return;
  if (ServiceProgramNumber != 0) {
    if (RenderWindow) RenderWindow->SetVisible(false);
    RunServiceProgram();
    Application->ProcessMessages();
  }
  // The link is tested before a scene is begun, so that no scene stays open on the way out. The
  // test displays of a service build keep the program running without the instrument.
  if (LinkLossEndsProgram()) {
    ShowExitScreen();
    return;
  }
  const auto frameStart = std::chrono::steady_clock::now();
  xBase->BeginScene();
  RenderEnteredViews(RenderPass::BeforeDisplays);
  if (DisplayListGlobal) DisplayListGlobal->RenderAll();
  RenderEnteredViews(RenderPass::AfterDisplays);
  xBase->EndScene();
  LastFrameMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - frameStart).count();
  Sleep(10);
  Done = false;
}

bool TMainWin::LinkLossEndsProgram() const { return !LinkUp && !TestDisplaySwitch && !SelfCheckLoop; }

void TMainWin::RenderEnteredViews(RenderPass pass) {
  for (int n = 1; n <= 9; ++n)
    if (TCategoryFrameBase* frame = CategoryFrame(n)) frame->RenderEnteredViews(pass);
}

void TMainWin::StartLinkPolling() {
  LinkUp = 0;
  NoLinkUpTimer->SetEnabled(true);
  PollingTimer->SetEnabled(true);
}

void TMainWin::OnPollingTimer(TObject*) {
  if (!IOCtrl || LinkUp == 1 || !IOCtrl->Init()) return;
  IOCtrl->ParInit(8);
  IOCtrl->PulseIOPin0();
  // A bring-up that failed leaves the link down; the next tick tries again.
  if (!InitHardware()) return;
  int version = 0;
  if (IOCtrl->GetPicVersion(&version)) OnLinkUp();
}

void TMainWin::ProbeLink() {
  // Without a measurement thread nothing talks to the module, so an unplug would go unseen: ask the
  // module whether it is there. A thread inside a device operation holds the lock and notices a
  // lost module itself; the probe then waits for the next tick instead of blocking the GUI.
  if (!IOCtrl || LinkUp != 1) return;
  bool present = true;
  {
    HardwareLockGuard lock(HardwareLockGuard::Try);
    if (!lock.Owns()) return;
    present = IOCtrl->DevicePresent();
  }
  if (!present) LinkUp = 0;
}

void TMainWin::OnNoLinkUpTimer(TObject*) {
  if (xBase) xBase->SetLightDiffuse(0, static_cast<uint8_t>(LinkLightLevel));
  LinkLightLevel = NextLinkLightLevel(LinkLightLevel);
}

void TMainWin::OnLinkUp() {
  LinkUp = 1;
  NoLinkUpTimer->SetEnabled(false);
  PollingTimer->SetEnabled(false);
  if (GlobalLanguageSkinTool) ShowInfo(GlobalLanguageSkinTool->GetMessageText(1), 2000);
  RestartTestMode();
}

void TMainWin::RestartTestMode() {
  if (!TestFrame) return;
  if (AppState == 1)
    TestFrame->StartADCheck();
  else if (AppState == 3)
    TestFrame->StartFilterCheck(0, 0);
}

void TMainWin::StartDirectX() {
  WriteLog2("xBase", "prüfen");
  xBase = new ZXBase();
  // Without a scene nothing can be shown: the program ends, with a failure code.
  if (!xBase->CheckDevice() || !xBase->CreateDevice(RenderWindow, 1024, 768)) {
    std::fprintf(stderr, "RT7731_IV: the scene device could not be created\n");
    std::fflush(nullptr);
    std::_Exit(FatalExitCode);
  }
  WriteLog2("xBase", "gestartet");
  xBase->SetCamera(-1000.0f);
  xBase->EnableAlphaBlend();
  xBase->SetLight(0, LightPoint);
  xBase->SetLightDiffuse(0, 180);
  xBase->SetLightSpecular(0, 255);
  xBase->SetLightPosition(0, 0.0f, 1000.0f, 0.0f);
  xBase->SetLightRange(0, 10.0f);
  xBase->SetClearColor(static_cast<TColor>(0x80000001));
}

bool TMainWin::InitHardware() {
  if (!IOCtrl) return false;
  IOControl& io = *IOCtrl;
  const auto step = [](bool ok) {
    if (!ok) LinkUp = 0;
    return ok;
  };
  if (!step(io.DevicePresent()) || !step(io.Init()) || !step(io.SetDevicePower(true))) return false;
  Sleep(500);
  if (!step(io.ParInit(8))) return false;
  if (SelfCheckSwitch) {
    if (!RunHardwareSelfCheck()) SelfCheckLoop = 1;
    return true;
  }
  for (uint8_t dds = 0; dds <= 5; ++dds)
    if (!step(io.DDSOff(dds))) return false;
  return step(io.InitAudioSpeaker()) && step(io.InitSoundProc()) && step(io.InitSoundPCA9539()) &&
         step(io.SetBand(0, true)) && step(io.LoadClockOffsets()) && step(io.I2CWriteByte(0x22, 0xFF));
}

bool TMainWin::RunHardwareSelfCheck() {
  if (!IOCtrl || !StatusView) return false;
  StatusView->Items()->Clear();
  const HardwareCheckResult result = RunHardwareChecks(*IOCtrl, PicVersion, SoundPicVersion);
  for (const HardwareStatusRow& row : result.Rows)
    AddStatusRow(row.Status, row.Module, row.Part, row.Address, row.Current, row.Nominal, row.Info);
  StatusView->RefreshItems();
  return false;
}

void TMainWin::AddStatusRow(const std::string& status, const std::string& module, const std::string& part,
                            const std::string& address, const std::string& current,
                            const std::string& nominal, const std::string& info) {
  TListItem* item = StatusView->Items()->Add();
  item->SetCaption(status);
  for (const std::string* text : {&module, &part, &address, &current, &nominal, &info})
    item->SubItems()->Add(*text);
}
