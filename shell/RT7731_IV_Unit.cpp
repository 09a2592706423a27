// The main window's construction, teardown and life-cycle events.
#include "shell/RT7731_IV_Unit.h"

#include <cmath>
#include <cstdio>

#include "device/InOut.h"
#include "display/DirectXBase.h"
#include "display/Display.h"
#include "display/Imagebase.h"
#include "engine/Buffers.h"
#include "engine/Threads.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/SyncObjs.h"
#include "platform/rtl/SysUtils.h"
#include "screens/analyser/Freqcontrolframeunit.h"
#include "screens/analyser/Intensitysettingsframeunit.h"
#include "screens/analyser/Testsoundframeunit.h"
#include "screens/analyser/Uanalyzerframeunit.h"
#include "screens/analyser/Updownframeunit.h"
#include "screens/analyser/Volumeframeunit.h"
#include "screens/locate/Usonarframeunit.h"
#include "service/Audiotestframeunit.h"
#include "service/Ddsuserframeunit.h"
#include "service/Filterframeunit.h"
#include "service/ServicePrograms.h"
#include "service/Sweepaframeunit.h"
#include "service/Testframeunit.h"
#include "shell/CategoryFrames.h"
#include "shell/Settings.h"
#include "shell/Splashinunit.h"
#include "shell/Splashoutunit.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"
#include "base/IniService.h"
#include "base/Language.h"
#include "base/Log.h"
#include "base/RangeDef.h"

TMainWin* MainWin = nullptr;

namespace {

// The pointer is cleared before the object goes, so a handler run while it is being destroyed (a
// resize as its children leave) does not reach a half-destroyed frame.
template <class T>
void DeleteAndClear(T*& object) {
  T* doomed = object;
  object = nullptr;
  delete doomed;
}

template <class T>
T* MakeChild(TWinControl* parent, TComponent* owner) {
  T* control = new T(owner);
  control->SetParent(parent);
  return control;
}

TImage* MakePanelImage(TPanel* panel, TComponent* owner) {
  TImage* image = MakeChild<TImage>(panel, owner);
  image->SetStretch(true);
  return image;
}

TTimer* MakeTimer(TComponent* owner, const char* name, unsigned interval, TNotifyEvent tick) {
  TTimer* timer = new TTimer(owner);
  timer->SetName(name);
  timer->SetEnabled(false);
  timer->SetInterval(interval);
  timer->OnTimer = std::move(tick);
  return timer;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The form's components (what the form resource holds)

void TMainWin::BuildComponents() {
  SetClientWidth(1024);
  SetClientHeight(726);
  BuildPanels();
  BuildTimers();
  ApplicationEvents1 = new TApplicationEvents(this);
  ApplicationEvents1->OnMessage = [this](TMsg& msg, bool& handled) { OnAppEventMessage(msg, handled); };
  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  TControl::OnResize = [this](TObject* s) { FormResize(s); };
  OnCanResize = [this](TObject* s, int& w, int& h, bool& r) { FormCanResize(s, w, h, r); };
}

void TMainWin::BuildPanels() {
  LeftPanel = MakeChild<TPanel>(this, this);
  LeftPanelImage = MakePanelImage(LeftPanel, this);

  ActionPanel = MakeChild<TPanel>(this, this);
  ActionPanelImage = MakePanelImage(ActionPanel, this);
  TImage** buttons[] = {&MainBut1, &MainBut2, &MainBut3, &MainBut4, &MainBut5,
                        &MainBut6, &MainBut7, &MainBut8, &MainBut9};
  for (int n = 1; n <= 9; ++n) {
    TImage* button = MakeChild<TImage>(ActionPanel, this);
    button->SetBounds(8 + 92 * (n - 1), 0, 80, 80);
    button->OnClick = [this](TObject* s) { OnMainButClick(s); };
    *buttons[n - 1] = button;
  }

  VersionPanel = MakeChild<TPanel>(this, this);
  VersionPanelImage = MakePanelImage(VersionPanel, this);
  TestImage = MakeChild<TImage>(VersionPanel, this);
  TestImage->SetVisible(false);
  VersionPanel->OnClick = [this](TObject* s) { OnAutoCenterWindowPanelClick(s); };
  VersionPanelImage->OnClick = [this](TObject* s) { OnAutoCenterWindowPanelClick(s); };
  VersionPanelImage->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    OnVersionPanelImageMouseDown(s, b, sh, x, y);
  };

  TitlePanel = MakeChild<TPanel>(this, this);
  TitlePanelImage = MakePanelImage(TitlePanel, this);
  // The battery texts are centred in a fixed width; each is as high as a line of its font (sized
  // while it still sizes itself), so that no descender is cut off.
  auto makeBatteryLabel = [this](int fontHeight, const std::string& caption) {
    TLabel* label = MakeChild<TLabel>(TitlePanel, this);
    label->SetTransparent(true);
    label->SetAlignment(taCenter);
    label->Font()->SetName("Verdana");
    label->Font()->SetHeight(-fontHeight);
    label->SetCaption(caption);
    label->SetAutoSize(false);
    return label;
  };
  AkkuLabel1 = makeBatteryLabel(16, "Akku Zustand");
  AkkuLabel2 = makeBatteryLabel(11, "unknow");
  AkkuImage1 = MakeChild<TImage>(TitlePanel, this);
  llb = MakeChild<TListBox>(TitlePanel, this);
  llb->SetVisible(false);

  FramePanel = MakeChild<TPanel>(this, this);
  FramePanelImage = MakePanelImage(FramePanel, this);

  DisplayPanel = MakeChild<TPanel>(this, this);
  StatusView = MakeChild<TListView>(DisplayPanel, this);
  StatusView->SetViewStyle(vsReport);
  StatusView->SetGridLines(true);
  for (auto [caption, width] : {std::pair{"Status", 0},
                                {"Modul Name", 200},
                                {"Bauteil", 120},
                                {"I2C Adr", 0},
                                {"Strom", 0},
                                {"Soll", 0},
                                {"Info", 200}}) {
    TListColumn* column = StatusView->Columns()->Add();
    column->SetCaption(caption);
    if (width) column->SetWidth(width);
  }
  StatusView->SetVisible(SelfCheckSwitch != 0);
  MainListView = MakeChild<TListView>(DisplayPanel, this);
  MainListView->SetVisible(false);
  ScrollBox = MakeChild<TScrollBox>(DisplayPanel, this);
  ScrollBox->SetVisible(false);
  TestInputFreqPanel = MakeChild<TPanel>(DisplayPanel, this);
  TestInputFreqPanel->SetVisible(false);

  UserPanel = MakeChild<TPanel>(this, this);
  UserPanelImage = MakePanelImage(UserPanel, this);

  StatusPanel = MakeChild<TPanel>(this, this);
  StatusPanelImage = MakePanelImage(StatusPanel, this);
  InfoImage = MakeChild<TImage>(StatusPanel, this);
  InfoLabel = MakeChild<TLabel>(StatusPanel, this);
  InfoLabel->SetTransparent(true);
  InfoLabel->Font()->SetName("Verdana");
  InfoLabel->Font()->SetHeight(-13);
  BuildServiceControls();
}

void TMainWin::BuildTimers() {
  PollingTimer = MakeTimer(this, "PollingTimer", 300, [this](TObject* s) { OnPollingTimer(s); });
  NoLinkUpTimer = MakeTimer(this, "NoLinkUpTimer", 10, [this](TObject* s) { OnNoLinkUpTimer(s); });
  InfoPanelTimer = MakeTimer(this, "InfoPanelTimer", 2000, [this](TObject* s) { OnInfoPanelTimerClick(s); });
  AkkuTimer = MakeTimer(this, "AkkuTimer", 1000, [this](TObject* s) { OnAkkuTimer(s); });
  TestTimer = MakeTimer(this, "TestTimer", 5000, [this](TObject* s) { OnTestTimer(s); });
  VideoTimer = MakeTimer(this, "VideoTimer", 1000, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Construction

void TMainWin::StepSplash() {
  if (SplashIn) SplashIn->Step();
}

TMainWin::TMainWin(TComponent* AOwner) : TForm(AOwner) {
  BuildComponents();
  ProgramFolder = GetProgramFolder();
  LogFolder = ProgramFolder;
  MainWindow = this;
  MainWin = this;
  LogList = new TStringList();
  LogListBox = llb;
  ResizeTimer = MakeTimer(this, "ResizeTimer", 500, [this](TObject* s) { OnResizeTimer(s); });
  ImageBaseGlobal = new ImageBase();
  RenderWindow = nullptr;
  SettingsWindow = nullptr;
  LinkUp = 0;
  SetCaption("RT 7731 IV");
  HardwareLock = new TCriticalSection();
  TestImageList = new TList();
  MinMaxSweepParam = 8;
  SplashOut = new TSplashOut(nullptr);
  StepSplash();

  TPanel* panels[] = {ActionPanel,  VersionPanel, TitlePanel,  FramePanel,
                      DisplayPanel, UserPanel,    StatusPanel, LeftPanel};
  for (TPanel* panel : panels) {
    panel->SetDoubleBuffered(true);
    panel->SetCaption("");
  }
  StepSplash();
  ActionPanelRef = ActionPanel;
  FramePanelRef = FramePanel;
  WriteLog("Panels erzeugt...");

  GlobalIniService = new IniService(ProgramFolder);
  GlobalIniService->LoadFormBounds(this);
  LayoutPanels();
  StepSplash();
  CreateRenderWindow();
  StartDirectX();
  StepSplash();

  SettingsWindow = new TSettingsWin(nullptr, GlobalIniService);
  SettingsWindow->SetVisible(false);
  SettingsWindow->SetParent(this);
  SettingsWindow->OnGridChange = [this](int c, int a, int w) { OnSettingsGridChange(c, a, w); };
  SettingsWindow->OnDisplayChange = [this](int t, bool d, int b) { OnSettingsDisplayChange(t, d, b); };
  SettingsWindow->OnSkinChange = [this] { OnSettingsSkinChange(); };

  StartLinkPolling();
  IOCtrl = new IOControl(0);
  IOCtrl->Dds400ClockOffset = GlobalIniService->ReadXO400Offset();
  GlobalIOSettings = new IOSettings();
  GlobalIOSettings->SetDefaults();
  StepSplash();
  DisplayListGlobal = new DisplayList();
  WriteLog("vor Frames...");

  BuildServiceFrames();
  BuildCategoryFrames();
  BuildControlFrames();
  // The frames take their places now, before the skin: the skin set-up then makes each title once,
  // in its final size, and the window's first appearance finds everything in place.
  LayoutPanels();

  GlobalLanguageSkinTool = new LanguageSkinTool();
  StepSplash();
  WriteLog("nach Frames...");
  GlobalRangeDefList = new RangeDefList();
  GlobalRangeDefList->CreateDefaultList();
  GlobalRangeDefList->SortList();
  OverlayStripPanel = new TPanel(this);
  OverlayStripPanel->SetDoubleBuffered(true);
  OverlayStripPanel->SetVisible(false);
  OverlayStripPanel->SetEnabled(false);
  OverlayStripPanel->SetBevelOuter(bvNone);
  OverlayStripImage = new TImage(this);
  OverlayStripImage->SetVisible(false);
  OverlayStripImage->SetEnabled(false);
  StepSplash();

  BuildTestObjects();

  InitHardware();
  WriteLog("nach InitHardware...");
  StepSplash();
  UpdateFromIni();
  WriteLog("nach UpdateFromIni...");
  InitSkin();
  WriteLog("nach InitSkin...");
  ClearInfo();
  WriteLog("nach ClearInfo...");
  // A link raised during start-up announced itself while the window was still being built, and
  // the info line was cleared since: announce it again so it is seen.
  if (LinkUp && GlobalLanguageSkinTool) ShowInfo(GlobalLanguageSkinTool->GetMessageText(1), 2000);

  Application->OnIdle = [this](TObject* s, bool& done) { IdleLoop(s, done); };
  StepSplash();
  AkkuTimer->SetEnabled(true);
  WriteDistributor();
}

void TMainWin::BuildServiceFrames() {
  DDSUserFrame = new TDDSUserFrame(this);
  DDSUserFrame->SetParent(UserPanel);
  DDSUserFrame->SetVisible(false);
  StepSplash();
  FilterUserFrame = new TFilterUserFrame(this);
  FilterUserFrame->SetParent(UserPanel);
  FilterUserFrame->SetVisible(false);
  StepSplash();
  SweepAFrame = new TSweepAFrame(this);
  SweepAFrame->SetParent(UserPanel);
  SweepAFrame->SetVisible(false);
  StepSplash();
  AudioTestFrame = new TAudioTestFrame(this);
  AudioTestFrame->SetParent(UserPanel);
  AudioTestFrame->SetVisible(false);
  StepSplash();
  TestFrame = new TTestFrame(this);
  TestFrame->SetParent(FramePanel);
  TestFrame->SetVisible(false);
  StepSplash();
  TestFrame->RenderWindow = RenderWindow;
  TestFrame->DDSUserFrame = DDSUserFrame;
  TestFrame->FilterUserFrame = FilterUserFrame;
  TestFrame->SweepAFrame = SweepAFrame;
  TestFrame->AudioTestFrame = AudioTestFrame;
  MainListView->SetParent(RenderWindow);
  StepSplash();
}

void TMainWin::BuildCategoryFrames() {
  auto place = [this](TCategoryFrameBase* frame, bool visible, bool hosted) {
    frame->SetVisible(visible);
    frame->SetParent(FramePanel);
    if (hosted) frame->HostPanel = UserPanel;
    StepSplash();
  };
  AnalyzerFrame = new TAnalyzerFrame(this);
  AnalyzerFrame->AnalyzerFrame->SetCaptionCallback = [this](const std::string& text) { SetCaption(text); };
  AnalyzerFrame->AnalyzerFrame->ShowInfoCallback = [this](const std::string& text, int ms) {
    ShowInfo(text, ms);
  };
  AnalyzerFrame->AnalyzerFrame->ClearInfoCallback = [this] { ClearInfo(); };
  place(AnalyzerFrame, true, true);
  AutoFrame = new TAutoFrame(this);
  AutoFrame->MainListView = MainListView;
  AutoFrame->ScrollBox = ScrollBox;
  place(AutoFrame, false, true);
  LocateFrame = new TLocateFrame(this);
  SonarFrameRef = LocateFrame->SonarFrame;
  place(LocateFrame, false, true);
  VlfFrame = new TVlfFrame(this);
  place(VlfFrame, false, true);
  VideoFrame = new TVideoFrame(this);
  place(VideoFrame, false, false);
  FingerFrame = new TFingerFrame(this);
  place(FingerFrame, false, true);
  ProjectFrame = new TProjectFrame(this);
  place(ProjectFrame, false, false);
  SettingFrame = new TSettingFrame(this);
  SettingFrame->SettingsForm = SettingsWindow;
  place(SettingFrame, false, true);
  HelpFrame = new THelpFrame(this);
  place(HelpFrame, false, false);
}

void TMainWin::BuildControlFrames() {
  auto make = [this](TFrame* frame) {
    frame->SetVisible(true);
    StepSplash();
    return frame;
  };
  FreqControlFrame = make(new TFreqControlFrame(this));
  UpDownFrame = make(new TUpDownFrame(this));
  VolumeFrame = make(new TVolumeFrame(this));
  TestSoundFrame = make(new TTestSoundFrame(this));
  IntensitySettingsFrame = make(new TIntensitySettingsFrame(this));
}

void TMainWin::BuildTestObjects() {
  WriteLog("vor Test...");
  TestDisplay1 = new StdDisplay(xBase, 1024, 768);
  TestDisplay2 = new StdDisplay(xBase, 1024, 768);
  TestBuffer = new NormalBuffer(670);
  TestBuffer->SetRange(0.0f, 670.0f, -255.0f, 255.0f);
  TestDisplay1->DataBuffer = TestBuffer;
  TestDisplay1->SetUnit("MHz");
  TestDisplay1->SetTitle("Test - Display");
  TestDisplay1->SetPosition(50, 50, 300, 400);
  for (unsigned i = 0; i < 670; ++i)
    TestBuffer->SetPoint(i, static_cast<float>(127.0 * std::sin(3.0 * i * 0.017453292519943295)));
  StepSplash();

  scene::Device* device = xBase ? xBase->Device : nullptr;
  TestTextureList = new ZTextureList(device);
  TestMesh = new ZMesh(device);
  WriteLog("vor TestMesh->Open...");
  TestMesh->Open(PlatformPath(ProgramFolder + "meshes\\Text001.X"),
                 TestTextureList);  // a missing mesh is ignored
  StepSplash();
  if (TestDisplaySwitch) {
    TestTimer->SetEnabled(true);
    CreateTestDisplays();
  }
  WriteLog("nach Test...");
}

// ---------------------------------------------------------------------------------------------
// Life-cycle events

void TMainWin::FormCreate(TObject*) {
  int version = 0;
  if (!IOCtrl || !IOCtrl->DevicePresent() || !IOCtrl->GetPicVersion(&version)) {
    StartLinkPolling();
    return;
  }
  // a service build opens no view
  if (AnalyzerFrame && !SelfCheckSwitch && ServiceProgramNumber == 0) AnalyzerFrame->Enter();
}

void TMainWin::FormShow(TObject*) {
  // A size the window took on its way to the screen is laid out at its first appearance.
  LayoutPanels();
  if (!SplashIn) return;
  SplashIn->Close();
  Application->ProcessMessages();
  DeleteAndClear(SplashIn);
}

void TMainWin::FormClose(TObject*, TCloseAction&) {
  // Every category, so that no view (the self-test view too) is left running.
  HideAllCategories();
}

void TMainWin::ShowExitScreen() {
  if (exiting_) return;
  exiting_ = true;
  // The user sees only the exit screen: say why the program ends where it can be read afterwards.
  const std::string reason = ExitReason();
  std::fprintf(stderr, "RT7731_IV: %s\n", reason.c_str());
  std::fflush(stderr);
  WriteLog(reason);
  Hide();
  Application->ProcessMessages();
  if (SplashOut) {
    SplashOut->Show();
    Application->ProcessMessages();
  }
  Sleep(3000);
  Close();
}

std::string TMainWin::ExitReason() {
  bool present = false;
  if (IOCtrl) {
    HardwareLockGuard lock;
    present = IOCtrl->DevicePresent();
  }
  if (!present) return LinkLostMessage;
  std::string failure = LastThreadFailureReport();
  if (failure.empty()) {
    // A view's own device call failed: name the views that were entered and the call.
    failure = DeviceFailureReport(EnteredViewNames(), "no module call failed");
  }
  return failure + CommandFailedSuffix;
}

std::string TMainWin::EnteredViewNames() const {
  std::string names;
  for (int n = 1; n <= 9; ++n)
    if (const TCategoryFrameBase* frame = CategoryFrame(n))
      for (const TModeFrameBase* view : frame->Views())
        if (view->IsEntered()) names += (names.empty() ? "" : ", ") + ClassName(typeid(*view));
  return names.empty() ? "no view" : names;
}

void TMainWin::ClearTestImages() {
  if (!TestImageList) return;
  for (int i = 0; i < TestImageList->Count(); ++i) {
    delete static_cast<TImage*>(TestImageList->Items(i));
    TestImageList->Items(i) = nullptr;
  }
  TestImageList->Clear();
}

void TMainWin::WriteDistributor() {
  uint8_t cell = 0;
  // Only a value read from the instrument is recorded: a failed read must not overwrite the
  // branding stored by an earlier run.
  if (!IOCtrl || !IOCtrl->ReadEEPromByte(BrandingCell, &cell)) return;
  if (!WriteBrandingRegistry(IsDistributorCell(cell))) {
    const std::string store = TRegistry::StoreFileName();
    std::fprintf(stderr, "%s: cannot write \\Software\\RT7731IV Distributor\n", store.c_str());
    std::fflush(stderr);
  }
}

TCategoryFrameBase* TMainWin::CategoryFrame(int n) const {
  TCategoryFrameBase* frames[] = {AnalyzerFrame, AutoFrame,    LocateFrame,  VlfFrame, VideoFrame,
                                  FingerFrame,   ProjectFrame, SettingFrame, HelpFrame};
  return n >= 1 && n <= 9 ? frames[n - 1] : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Teardown

TMainWin::~TMainWin() {
  if (Application && MainWindow == this) Application->OnIdle = nullptr;
  VideoTimer->SetEnabled(false);
  TestTimer->SetEnabled(false);
  if (TestDisplaySwitch) KillTestDisplays();
  // Views were left on closing; a thread whose stop timed out still writes their buffers and displays.
  JoinOrphanedThreads();
  // The camera objects belong to the analyser views, which free them with themselves.
  DeleteAndClear(OverlayStripPanel);
  DeleteAndClear(OverlayStripImage);
  DeleteAndClear(GlobalIOSettings);
  DeleteAndClear(GlobalRangeDefList);
  ClearTestImages();
  DeleteAndClear(TestImageList);
  if (IOCtrl) IOCtrl->SetDevicePower(false);
  DeleteAndClear(GlobalLanguageSkinTool);
  DeleteAndClear(TestMesh);
  DeleteAndClear(TestTextureList);
  if (DisplayListGlobal) DisplayListGlobal->Clear();
  DeleteAndClear(TestDisplay1);
  DeleteAndClear(TestDisplay2);
  DeleteAndClear(TestBuffer);
  if (GlobalIniService) GlobalIniService->SaveFormBounds(this);
  DeleteAndClear(UpDownFrame);
  DeleteAndClear(IntensitySettingsFrame);
  DeleteAndClear(TestSoundFrame);
  DeleteAndClear(FreqControlFrame);
  DeleteAndClear(HelpFrame);
  DeleteAndClear(SettingFrame);
  DeleteAndClear(ProjectFrame);
  DeleteAndClear(FingerFrame);
  DeleteAndClear(VideoFrame);
  DeleteAndClear(VlfFrame);
  SonarFrameRef = nullptr;
  DeleteAndClear(LocateFrame);
  DeleteAndClear(AutoFrame);
  DeleteAndClear(AnalyzerFrame);
  DeleteAndClear(TestFrame);
  // The service views are left (their work stopped) before they go.
  TModeFrameBase* serviceViews[] = {SweepAFrame, DDSUserFrame, FilterUserFrame, AudioTestFrame};
  for (TModeFrameBase* view : serviceViews)
    if (view) view->Leave();
  DeleteAndClear(SweepAFrame);
  DeleteAndClear(DDSUserFrame);
  DeleteAndClear(FilterUserFrame);
  DeleteAndClear(AudioTestFrame);
  DeleteAndClear(VolumeFrame);
  JoinOrphanedThreads();  // frames stopped their threads on deletion: none may outlive the device
  // Threads that ended free themselves through the main-thread queue; run it so none is left behind.
  CheckSynchronize();
  DeleteAndClear(DisplayListGlobal);
  DeleteAndClear(IOCtrl);
  DeleteAndClear(GlobalIniService);
  DeleteAndClear(xBase);
  DeleteAndClear(RenderWindow);
  DeleteAndClear(SettingsWindow);
  DeleteAndClear(HardwareLock);
  DeleteAndClear(ImageBaseGlobal);
  DeleteAndClear(ResizeTimer);
  DeleteAndClear(SplashOut);
  LogListBox = nullptr;
  DeleteAndClear(LogList);
  ActionPanelRef = nullptr;
  FramePanelRef = nullptr;
  if (MainWindow == this) MainWindow = nullptr;
  if (MainWin == this) MainWin = nullptr;
}
