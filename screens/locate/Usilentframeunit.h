// The silent-detect view of the auto category: scans for carriers, then records each candidate's
// demodulated audio beside the room microphone and compares them; a candidate that keeps matching
// raises the alarm, its row and the instrument's indicator blinking.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "engine/Threads.h"
#include "screens/locate/LocateModeFrame.h"
#include "screens/locate/SilentSearch.h"

class DigitalBuffer;
class SilentList;
class TButton;
class StdDisplay;
class TEdit;
class TLabel;
class TListBox;
class TPanel;
class TSilentListBox;
class TSilentTestWin;
class TTimer;

class TUSilentFrame : public TLocateModeFrame {
 public:
  static constexpr int SampleCount = 12800;
  // Where the candidate list stands in the render window's 1024 x 768 space.
  static constexpr int ListLeft = 20, ListTop = 30, ListRight = 580, ListBottom = 330;

  explicit TUSilentFrame(TComponent* AOwner);
  ~TUSilentFrame() override;

  void OnResize(TObject* Sender) override;

  void SelectSource();
  void StartSearch();
  void StopSearch();
  void OnTimer1(TObject* Sender);

  // Service handlers of the hidden buttons.
  // One analysis on the GUI thread: record, then the plots and numbers in the debug window.
  void OnTestButClick(TObject* Sender);
  // The first press scans; each later one records (and analyses) the next candidate of that scan.
  void OnThreadTestButClick(TObject* Sender);

  void OnStartPanelMouseDown(TObject*, TMouseButton, TShiftState, int, int);
  void OnSrcPanelMouseDown(TObject*, TMouseButton, TShiftState, int, int);
  void OnSelectRangePanelMouseDown(TObject*, TMouseButton, TShiftState, int, int);

  bool Searching() const { return searching_; }
  const SilentSearch& Search() const { return search_; }
  SilentList& Candidates() { return *list_; }
  bool AnyThreadRunning() const;
  bool ExternalSource() const { return externalSource_; }
  bool RangeSelected() const { return rangeSelected_; }
  double ScanStart() const { return scanStart_; }
  double ScanStop() const { return scanStop_; }
  TSilentListBox* ListBox() const { return listBox_; }

  TPanel* Panel1 = nullptr;
  TPanel* Panel2 = nullptr;
  TPanel* Panel3 = nullptr;
  TPanel* Panel4 = nullptr;
  TEdit* Edit1 = nullptr;
  TEdit* Edit2 = nullptr;
  TTimer* Timer1 = nullptr;
  TListBox* lb = nullptr;
  TButton* Button1 = nullptr;  // "Test", hidden
  TButton* Button2 = nullptr;  // "Thread Test", hidden
  TSilentTestWin* TestWin = nullptr;
  bool DebugSwitch = false;
  int TestStep() const { return testStep_; }
  int TestIndex() const { return testIndex_; }

 protected:
  void EnterView() override;
  void LeaveView() override;

 private:
  SilentSearch::Hooks MakeHooks();
  void MakeRangePanel();
  void PlaceListBox();
  void MakeTestButtons();
  void CreateBuffers();
  void CreateDisplays();
  // The device set-up of Enter; its results are not looked at.
  void SetUpDevice();
  // Records SampleCount samples of both sound channels (demodulated audio, microphone) on the GUI
  // thread; false when a device step fails.
  bool RecordTestSamples(std::vector<float>& channelA, std::vector<float>& channelB);
  void StartScanThread();
  void StartRecordThread(double frequency);
  void StartAnalyzerThread();
  void StopThreads();
  void SetDebugLines(const std::vector<std::string>& lines);
  void SetPanelsEnabled(bool on);

  std::shared_ptr<DigitalBuffer> signal_, scan_;
  std::shared_ptr<std::vector<float>> channelA_, channelB_;
  std::shared_ptr<SilentList> list_;
  StdDisplay* signalDisplay_ = nullptr;
  StdDisplay* scanDisplay_ = nullptr;
  TSilentListBox* listBox_ = nullptr;
  ThreadSlot scanThread_, recordThread_, analyzerThread_;
  SilentSearch search_;
  bool searching_ = false;
  bool externalSource_ = false;
  bool rangeSelected_ = false;
  double scanStart_ = 1e6, scanStop_ = 15e9;
  int testStep_ = 0;   // 0: the test buttons' next press sets up first (Enter resets it)
  int testIndex_ = 0;  // the candidate the thread test records next
};
