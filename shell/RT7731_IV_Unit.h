// The main window: builds and tears down the running system, runs the idle render loop and the
// link supervision, lays out its panels, switches the nine categories, routes mouse and wheel
// input to them and shows the battery state.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "screens/ModeFrameBase.h"

class TSettingsWin;
// Reported on stderr and in log.txt when the program ends because the instrument is absent or lost.
inline constexpr const char* LinkLostMessage =
    "no link to the instrument (absent or disconnected): the program ends";
// Ends the report when a command failed while the instrument still answers.
inline constexpr const char* CommandFailedSuffix = "; the instrument is still attached: the program ends";

class TTestFrame;
class TDDSUserFrame;
class TFilterUserFrame;
class TSweepAFrame;
class TAudioTestFrame;
class TCategoryFrameBase;
class TAnalyzerFrame;
class TAutoFrame;
class TLocateFrame;
class TVlfFrame;
class TVideoFrame;
class TFingerFrame;
class TProjectFrame;
class TSettingFrame;
class THelpFrame;
class StdDisplay;
class NormalBuffer;
class ZMesh;
class ZTextureList;
class ServicePrograms;
class TestSpectrum;

// ---- Layout of the eight panels for a client area of W x H ----
struct PanelLayout {
  TRect Left, Action, Version, Title, Frame, Status, User, Display;
};
PanelLayout ComputePanelLayout(int W, int H);
// Smallest size the main window can be dragged to.
constexpr int MinMainWidth = 462;
constexpr int MinMainHeight = 462;
// Where the nine category buttons stand in a top bar of the given width: left edge of the first,
// pitch, and size of the square buttons (80 when the bar holds them all at their full size).
constexpr int MainButtonSize = 80;
struct MainButtonPlace {
  int left, pitch, size;
};
MainButtonPlace ComputeMainButtonPlace(int barWidth);
bool MainWindowSizeAllowed(int width, int height);
// A render-window position (x, y) in the virtual 1024 x 768 space of the displays.
TPoint MapToVirtual(int x, int y, int windowWidth, int windowHeight);

// ---- Battery arithmetic ----
// The supply-voltage field, in thousandths of a volt; the program does not change it.
inline unsigned SupplyVoltage = 980;
double BatteryValue(uint8_t level);    // level x 1.22
double ChargeFraction(uint8_t level);  // max(V - 180, 0) / 44
constexpr double LowBatteryValue = 135.0;
bool BatteryTooLow(uint8_t level);
std::string FormatSupplyVoltage();  // "V 0.980"
// "62 %", or the charging text above 1.3.
std::string BatteryValueText(double fraction, const std::string& chargingText);
// The coloured bar of the gauge (image width x height) and its colour.
struct GaugeBar {
  TRect Bar;
  TColor Color;
};
GaugeBar ComputeGaugeBar(double fraction, int width, int height);
// The caption line of the battery tick.
std::string BatteryCaption(double powerModuleTemperature, double mainboardTemperature);

// ---- Service build ----
// With the switch set, the hardware self-check runs in place of the module set-up and then on every
// idle pass, and no measuring view opens. The delivered build has it at 0; the CMake option
// RT_SELF_CHECK builds a service program with it set.
#ifndef RT_SELF_CHECK_SWITCH
#define RT_SELF_CHECK_SWITCH 0
#endif
inline uint8_t SelfCheckSwitch = RT_SELF_CHECK_SWITCH;
inline uint8_t SelfCheckLoop = 0;
inline int PicVersion = 0;
inline int SoundPicVersion = 0;

// ---- Link light: the next diffuse level after `level` (120, 125, ..., 250, 120, ...) ----
int NextLinkLightLevel(int level);
extern int LinkLightLevel;

class TMainWin : public TForm {
 public:
  explicit TMainWin(TComponent* AOwner);
  ~TMainWin() override;

  // ---- Life cycle ----
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void ShowExitScreen();
  // Why the program ends: the link lost, or the failed operation (which call, in which thread)
  // while the module still answers.
  std::string ExitReason();
  // The class names of the views entered now ("TUFingerFrame"), "no view" when none is.
  std::string EnteredViewNames() const;
  // A lost link ends the program (not in a service build that runs on without the instrument).
  bool LinkLossEndsProgram() const;
  void ClearTestImages();
  void WriteDistributor();

  // ---- Idle loop and link ----
  void IdleLoop(TObject* Sender, bool& Done);
  // Time of the last idle pass's scene (begin to end), in milliseconds; read by the benchmarks.
  double LastFrameMs = 0.0;
  // Lets the entered views of every category draw their part of the pass into the open scene.
  void RenderEnteredViews(RenderPass pass);
  void StartLinkPolling();
  void OnPollingTimer(TObject* Sender);
  void OnNoLinkUpTimer(TObject* Sender);
  // Once a second: clears LinkUp when the module no longer answers (the idle loop then ends the
  // program through the exit screen).
  void ProbeLink();
  void OnLinkUp();
  void RestartTestMode();
  void StartDirectX();
  // The instrument's bring-up; false (and the link down) at its first failed step.
  bool InitHardware();
  // Service build: one run of the hardware self-check into StatusView; always false.
  bool RunHardwareSelfCheck();
  void AddStatusRow(const std::string& status, const std::string& module, const std::string& part,
                    const std::string& address, const std::string& current, const std::string& nominal,
                    const std::string& info);

  // ---- Layout, navigation, input ----
  void LayoutPanels();
  void FormResize(TObject* Sender);
  void FormCanResize(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize);
  void OnAutoCenterWindowPanelClick(TObject* Sender);
  void OnVersionPanelImageMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void CreateRenderWindow();
  void OnRenderWinResize(TObject* Sender);
  void OnResizeTimer(TObject* Sender);
  void OnMainButClick(TObject* Sender);
  void HideAllCategories();
  void ShowInfo(const std::string& text, int milliseconds);
  void ClearInfo();
  void OnInfoPanelTimerClick(TObject* Sender);
  void InitSkin();
  void PlaceBatteryGauge();
  void UpdateFromIni();
  void OnSettingsGridChange(int colour, int alpha, int lineWidth);
  void OnSettingsDisplayChange(int textColour, bool dims, int background);
  void OnSettingsSkinChange();
  void OnAppEventMessage(TMsg& Msg, bool& Handled);
  void OnRenderWinMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnRenderWinMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnRenderWinMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);

  // ---- Service build: service programs, test displays, test panel ----
  void RunServiceProgram();
  void CreateTestDisplays();
  void KillTestDisplays();
  void OnTestTimer(TObject* Sender);
  void OnTestButClick(TObject* Sender);
  void OnTrackBar1Change(TObject* Sender);
  void OnChangeTestInputFreqEdit(TObject* Sender);
  void OnUpDownTestCenterFreqButClick(TObject* Sender);
  void OnCalibrateTestButClick(TObject* Sender);

  // ---- Battery ----
  void OnAkkuTimer(TObject* Sender);
  void ShowBatteryState(double fraction);

  // The nine category frames in button order (null entries before they are made).
  TCategoryFrameBase* CategoryFrame(int n) const;
  // The test display that the last mouse-down selected (0 none, 1 first, 2 second).
  int SelectedTestDisplay() const { return selectedTestDisplay_; }

  // ---- Components ----
  TPanel* ActionPanel = nullptr;
  TImage* ActionPanelImage = nullptr;
  TImage* MainBut1 = nullptr;
  TImage* MainBut2 = nullptr;
  TImage* MainBut3 = nullptr;
  TImage* MainBut4 = nullptr;
  TImage* MainBut5 = nullptr;
  TImage* MainBut6 = nullptr;
  TImage* MainBut7 = nullptr;
  TImage* MainBut8 = nullptr;
  TImage* MainBut9 = nullptr;
  TPanel* VersionPanel = nullptr;
  TImage* VersionPanelImage = nullptr;
  TImage* TestImage = nullptr;
  TPanel* TitlePanel = nullptr;
  TImage* TitlePanelImage = nullptr;
  TLabel* AkkuLabel1 = nullptr;
  TLabel* AkkuLabel2 = nullptr;
  TImage* AkkuImage1 = nullptr;
  TListBox* llb = nullptr;
  TPanel* FramePanel = nullptr;
  TImage* FramePanelImage = nullptr;
  TPanel* DisplayPanel = nullptr;
  TListView* StatusView = nullptr;
  TListView* MainListView = nullptr;
  TScrollBox* ScrollBox = nullptr;
  TPanel* TestInputFreqPanel = nullptr;
  TPanel* UserPanel = nullptr;
  TImage* UserPanelImage = nullptr;
  TPanel* StatusPanel = nullptr;
  TImage* StatusPanelImage = nullptr;
  TImage* InfoImage = nullptr;
  TLabel* InfoLabel = nullptr;
  TPanel* LeftPanel = nullptr;
  TImage* LeftPanelImage = nullptr;
  TTimer* PollingTimer = nullptr;
  TTimer* NoLinkUpTimer = nullptr;
  TTimer* InfoPanelTimer = nullptr;
  TTimer* AkkuTimer = nullptr;
  TTimer* TestTimer = nullptr;
  TButton* Button1 = nullptr;      // "test", hidden in StatusPanel
  TTrackBar* TrackBar1 = nullptr;  // hidden in StatusPanel
  TLabel* Label1 = nullptr;        // the controls of TestInputFreqPanel
  TEdit* Edit1 = nullptr;
  TButton* Button2 = nullptr;
  TButton* Button3 = nullptr;
  TButton* Button4 = nullptr;
  TCheckBox* CheckBox1 = nullptr;
  TTimer* VideoTimer = nullptr;
  TApplicationEvents* ApplicationEvents1 = nullptr;

  // ---- Owned objects ----
  TSettingsWin* SettingsWindow = nullptr;
  TTestFrame* TestFrame = nullptr;
  TDDSUserFrame* DDSUserFrame = nullptr;
  TFilterUserFrame* FilterUserFrame = nullptr;
  TSweepAFrame* SweepAFrame = nullptr;
  TAudioTestFrame* AudioTestFrame = nullptr;
  TAnalyzerFrame* AnalyzerFrame = nullptr;
  TAutoFrame* AutoFrame = nullptr;
  TLocateFrame* LocateFrame = nullptr;
  TVlfFrame* VlfFrame = nullptr;
  TVideoFrame* VideoFrame = nullptr;
  TFingerFrame* FingerFrame = nullptr;
  TProjectFrame* ProjectFrame = nullptr;
  TSettingFrame* SettingFrame = nullptr;
  THelpFrame* HelpFrame = nullptr;
  TList* TestImageList = nullptr;
  StdDisplay* TestDisplay1 = nullptr;
  StdDisplay* TestDisplay2 = nullptr;
  NormalBuffer* TestBuffer = nullptr;
  NormalBuffer* TestBuffer2 = nullptr;
  double TestCenterFreq = 100.0;  // MHz, the test panel's centre
  std::unique_ptr<ServicePrograms> ServiceProgramState;
  std::unique_ptr<TestSpectrum> TestSpectrumState;
  ZMesh* TestMesh = nullptr;
  ZTextureList* TestTextureList = nullptr;

 private:
  void BuildComponents();
  void BuildPanels();
  void BuildTimers();
  void BuildServiceFrames();
  void BuildCategoryFrames();
  void BuildControlFrames();
  void BuildTestObjects();
  void BuildServiceControls();
  void StepSplash();
  TImage* MainButton(int n) const;
  void LayoutMainButtons(int barWidth);
  // The categories that receive the render window's mouse events, in calling order.
  std::vector<TCategoryFrameBase*> MouseRoutedFrames() const;
  TPoint RenderWindowToVirtual(int X, int Y) const;
  int selectedTestDisplay_ = 0;
  bool exiting_ = false;
};

// The main window once its constructor has started (also the application's main form).
extern TMainWin* MainWin;
