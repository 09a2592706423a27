// Program-wide globals made by the main window's constructor.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

class TCriticalSection;
class TStringList;
class TListBox;
class TTimer;
class TForm;
class TFrame;
class TPanel;
class TImage;
class TMainWin;
class TSplashOut;
class ImageBase;
class ZXBase;
class IOControl;
class IOSettings;
class DisplayList;
class IniService;
class LanguageSkinTool;
class RangeDefList;

extern std::string ProgramFolder;  // with a trailing separator
extern std::string LogFolder;
extern TMainWin* MainWindow;
extern TStringList* LogList;
extern TListBox* LogListBox;
extern TTimer* ResizeTimer;
extern ImageBase* ImageBaseGlobal;
extern TForm* RenderWindow;
extern std::atomic<uint8_t> LinkUp;
extern TCriticalSection* HardwareLock;
extern std::atomic<uint8_t> MinMaxSweepParam;
extern TSplashOut* SplashOut;
extern TPanel* ActionPanelRef;
extern TPanel* FramePanelRef;
extern IniService* GlobalIniService;
extern ZXBase* xBase;
extern IOControl* IOCtrl;
extern IOSettings* GlobalIOSettings;
extern DisplayList* DisplayListGlobal;
extern TFrame* SonarFrameRef;
extern TFrame* FreqControlFrame;
extern TFrame* UpDownFrame;
extern TFrame* VolumeFrame;
extern TFrame* TestSoundFrame;
extern TFrame* IntensitySettingsFrame;
extern LanguageSkinTool* GlobalLanguageSkinTool;
extern RangeDefList* GlobalRangeDefList;
extern TPanel* OverlayStripPanel;
extern TImage* OverlayStripImage;

// The running service test: 0 none, 1 AD displays, 2 DDS tests, 3 IF-filter check, 4 auto adjust
// filter, 5 sweep A-mode, 6 sweep all, 7 audio test, 8 video test, 9 audio FFT test. After a lost
// link comes back the main window restarts test 1 or 3; a test stopped by the user, and every
// measurement thread an analyser view stops or sees end, leaves 0 behind. GUI thread only.
inline int AppState = 0;
