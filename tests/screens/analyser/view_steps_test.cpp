// The steps of the analyser views against the simulated instrument: the device set-up of each view's
// detail sweep (what the instrument holds once it has run: attenuator, IF filter, sound word, speaker
// switches, volume; the order of the sound word and the speaker switches; which views go on after a
// failed speaker write); the intensity view's Filter setting reaching the IF filter; the
// differential view's normal input as the last step of its Leave; the audio view's displays and band
// strip on Enter; the fonts of the analyser views' own panels.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "base/HardwareLockGuard.h"
#include "device/InOut.h"
#include "display/Display.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TestHooks.h"
#include "screens/analyser/Freqcontrolframeunit.h"
#include "screens/analyser/Intensitysettingsframeunit.h"
#include "screens/analyser/Uaudioframeunit.h"
#include "screens/analyser/Uintensityframeunit.h"
#include "screens/analyser/Umaxholdframeunit.h"
#include "screens/analyser/Volumeframeunit.h"
#include "shell/CategoryFrames.h"
#include "sim/Instrument.h"
#include "tests/shell/main/MainWinFixture.h"
#include "tests/support/Pump.h"
#include "tests/support/SimInstrument.h"

namespace {

// The I2C writes the program's GUI thread makes through the bound module, in order (address and
// data). A write to the failing address fails as if the module had dropped out for that one
// transfer: the module reports the failure and the presence check that follows it.
class I2CWriteWatch {
 public:
  struct Write {
    uint8_t address;
    std::vector<uint8_t> data;
  };

  I2CWriteWatch() {
    HardwareLockGuard lock;  // no thread is inside a module call while the table changes
    watch_ = this;
    gui_ = std::this_thread::get_id();
    saved_ = {Usb2Functions.UsbI2CWriteByte, Usb2Functions.UsbI2CWriteBytes, Usb2Functions.UsbDevicePresent};
    Usb2Functions.UsbI2CWriteByte = &WriteByte;
    Usb2Functions.UsbI2CWriteBytes = &WriteBytes;
    Usb2Functions.UsbDevicePresent = &Present;
  }
  ~I2CWriteWatch() {
    HardwareLockGuard lock;
    if (Usb2Functions.UsbI2CWriteBytes == &WriteBytes) {
      Usb2Functions.UsbI2CWriteByte = saved_.writeByte;
      Usb2Functions.UsbI2CWriteBytes = saved_.writeBytes;
      Usb2Functions.UsbDevicePresent = saved_.present;
    }
    watch_ = nullptr;
  }

  void FailWritesTo(uint8_t address) { failing_ = address; }
  void Clear() {
    std::lock_guard guard(mutex_);
    writes_.clear();
  }
  std::vector<Write> Writes() const {
    std::lock_guard guard(mutex_);
    return writes_;
  }
  // Position of the first write to address (at or after from) that carries size bytes (any when 0),
  // or -1.
  int First(uint8_t address, size_t size = 0, int from = 0) const {
    const std::vector<Write> all = Writes();
    for (int i = from; i < int(all.size()); ++i)
      if (all[size_t(i)].address == address && (size == 0 || all[size_t(i)].data.size() == size)) return i;
    return -1;
  }
  // The values the GUI thread wrote to an I2C port (one-byte writes), in order.
  std::vector<uint8_t> PortValues(uint8_t address) const {
    std::vector<uint8_t> values;
    for (const Write& w : Writes())
      if (w.address == address && w.data.size() == 1) values.push_back(w.data[0]);
    return values;
  }

 private:
  struct Saved {
    UsbI2CWriteByteFn writeByte;
    UsbI2CWriteBytesFn writeBytes;
    UsbDevFn present;
  };
  static bool Note(uint8_t address, const uint8_t* data, unsigned count) {
    I2CWriteWatch* w = watch_;
    if (!w || std::this_thread::get_id() != w->gui_) return true;
    std::lock_guard guard(w->mutex_);
    w->writes_.push_back({address, std::vector<uint8_t>(data, data + count)});
    if (address != w->failing_) return true;
    w->dropped_ = true;
    return false;
  }
  static int WriteByte(uint8_t dev, uint8_t address, uint8_t value) {
    if (!Note(address, &value, 1)) return 0;
    return watch_->saved_.writeByte(dev, address, value);
  }
  static int WriteBytes(uint8_t dev, uint8_t address, uint16_t count, const uint8_t* data) {
    if (!Note(address, data, count)) return 0;
    return watch_->saved_.writeBytes(dev, address, count, data);
  }
  static int Present(uint8_t dev) {
    I2CWriteWatch* w = watch_;
    if (w && std::this_thread::get_id() == w->gui_ && w->dropped_) {
      w->dropped_ = false;
      return 0;
    }
    return w ? w->saved_.present(dev) : 0;
  }

  inline static I2CWriteWatch* watch_ = nullptr;
  std::thread::id gui_;
  Saved saved_{};
  mutable std::mutex mutex_;
  std::vector<Write> writes_;
  int failing_ = -1;
  bool dropped_ = false;
};

// The speaker switches (1, 1, 1, 1, 0, 0, 1) as the speaker expander's output byte.
constexpr uint8_t SpeakerSwitches = 0x70;

struct SetUpCase {
  const char* name;
  int button;
  bool speakerBeforeSoundWord;
  bool speakerFailureEndsTheStart;
};
std::ostream& operator<<(std::ostream& os, const SetUpCase& c) { return os << c.name; }

const SetUpCase SetUpCases[] = {
    {"Spectrum", 1, true, true}, {"Intensity", 2, false, false}, {"Digital", 3, false, false},
    {"Audio", 4, false, true},   {"MaxHold", 5, false, false},   {"Differential", 6, false, false},
};

class ViewStepsTest : public MainWinTest {
 protected:
  void StartOnLinkedSimulator() {
    siminstrument::Bind();
    ASSERT_TRUE(siminstrument::Load(""));
    Start();
  }
  TFreqControlFrame* Freq() { return static_cast<TFreqControlFrame*>(FreqControlFrame); }
  TAnalyserViewBase* Enter(int button) {
    EXPECT_TRUE(VclTest::Click(win->AnalyzerFrame->Button(button)));
    for (TModeFrameBase* v : win->AnalyzerFrame->Views())
      if (v->IsEntered()) return dynamic_cast<TAnalyserViewBase*>(v);
    return nullptr;
  }
  // The view, entered once over the overview and left again: no thread of it runs, the instrument is
  // set away from the detail set-up, and the next Enter starts the detail sweep at 868.3 MHz, 5 MHz
  // span, with the slider at 240.
  TAnalyserViewBase* ReadyForADetailStart(int button) {
    TAnalyserViewBase* view = Enter(button);
    Freq()->SetCenter(868.3);
    Freq()->SetSpan(50);
    view->Leave();
    GlobalIOSettings->Span = 5e6;
    static_cast<TVolumeFrame*>(VolumeFrame)->MoveSlider(500);
    UnsetDevice();
    return view;
  }
  // The instrument set away from what the detail set-up writes.
  static void UnsetDevice() {
    HardwareLockGuard lock;
    IOCtrl->SetAttenuator(20);
    IOCtrl->SetIFBandwidth(2);
    IOCtrl->WriteSoundPCA9539(0x1234);
    IOCtrl->SetAudioSpeaker(false, false, false, false, false, false, false);
    IOCtrl->SetSoundProcVolume(0);
  }
  static int Volume(const usb2sim::State& s) { return s.soundProcessor[0] & 0x3F; }
  // Enters the view while its new thread waits for the lock: the instrument as the set-up left it.
  static usb2sim::State EnterBeforeTheSweep(TAnalyserViewBase* view) {
    HardwareLockGuard lock;
    view->Enter();
    return usb2sim::GetState();
  }
};

class DetailSetUpPerView : public ViewStepsTest, public ::testing::WithParamInterface<SetUpCase> {};

// The instrument as the set-up leaves it, read while the new thread waits for the lock: attenuator 0,
// IF type 3 on both modules, the sound word 0, the speaker switches and the slider's volume; the
// sound word and the speaker switches in the view's order.
TEST_P(DetailSetUpPerView, TheDetailSweepSetsTheDeviceUpInTheViewsOrder) {
  const SetUpCase& c = GetParam();
  StartOnLinkedSimulator();
  TAnalyserViewBase* view = ReadyForADetailStart(c.button);
  I2CWriteWatch watch;
  const usb2sim::State s = EnterBeforeTheSweep(view);
  ASSERT_TRUE(view->DetailRunning());
  EXPECT_EQ(s.attenuatorDb, 0);
  EXPECT_EQ(s.ifFilter[0], 3);
  EXPECT_EQ(s.ifFilter[1], 3);
  EXPECT_EQ(s.soundWord, 0);
  EXPECT_EQ(s.speakerPort, SpeakerSwitches);
  EXPECT_EQ(Volume(s), 240 / 4);
  // The sound word's three bytes and the speaker switches' two (a read of the expander writes one).
  const int soundWord = watch.First(I2CAddr::SoundPCA9539, 3),
            speaker = watch.First(I2CAddr::SpeakerExpander, 2);
  ASSERT_GE(soundWord, 0);
  ASSERT_GE(speaker, 0);
  EXPECT_EQ(speaker < soundWord, c.speakerBeforeSoundWord);
  EXPECT_LT(watch.First(I2CAddr::Frontend), watch.First(I2CAddr::IFFilterSweep)) << "attenuator, then filter";
  EXPECT_LT(watch.First(I2CAddr::IFFilterSweep), std::min(soundWord, speaker));
  EXPECT_GT(watch.First(I2CAddr::SoundProcessor, 0, std::max(soundWord, speaker)), 0)
      << "the volume comes last";
  EXPECT_EQ(LinkUp.load(), 1);
}

// A failed speaker write ends the start of the spectrum and audio views (LinkUp cleared, no thread,
// no volume); the other views go on to the volume and their sweep.
TEST_P(DetailSetUpPerView, AFailedSpeakerWriteEndsOnlyTheStartsThatCheckIt) {
  const SetUpCase& c = GetParam();
  StartOnLinkedSimulator();
  TAnalyserViewBase* view = ReadyForADetailStart(c.button);
  I2CWriteWatch watch;
  watch.FailWritesTo(I2CAddr::SpeakerExpander);
  const usb2sim::State s = EnterBeforeTheSweep(view);
  const bool ends = c.speakerFailureEndsTheStart;
  EXPECT_EQ(LinkUp.load(), ends ? 0 : 1);
  EXPECT_EQ(view->DetailRunning(), !ends);
  EXPECT_EQ(Volume(s), ends ? 0 : 240 / 4);
  EXPECT_EQ(s.soundWord, c.speakerBeforeSoundWord ? 0x1234 : 0) << "the sound word is written before it";
}

INSTANTIATE_TEST_SUITE_P(Views, DetailSetUpPerView, ::testing::ValuesIn(SetUpCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Each click on Filter restarts the detail sweep: IF type 3, then the setting's own type (1 wide,
// 4 narrow, none for normal), which the instrument keeps while the sweep runs.
TEST_F(ViewStepsTest, TheIntensityFilterReachesTheIFFilter) {
  StartOnLinkedSimulator();
  auto* view = static_cast<TUIntensityFrame*>(Enter(2));
  auto* settings = static_cast<TIntensitySettingsFrame*>(IntensitySettingsFrame);
  Freq()->SetCenter(868.3);
  Freq()->SetSpan(5);
  ASSERT_TRUE(view->DetailRunning());
  ASSERT_EQ(settings->Filter, intensity::NormalFilter);
  struct Click {
    uint8_t filter;
    std::vector<uint8_t> portValues;  // the sweep module's filter port; type 1 is written as 9
    int type;
  };
  for (const Click& click : {Click{intensity::Narrow, {3, 4}, 4}, Click{intensity::Wide, {3, 9}, 1},
                             Click{intensity::NormalFilter, {3}, 3}}) {
    I2CWriteWatch watch;
    settings->OnPanelMouseDown(settings->Panel2, mbLeft, 0, 0, 0);
    settings->OnPanelMouseUp(settings->Panel2, mbLeft, 0, 0, 0);
    ASSERT_EQ(settings->Filter, click.filter);
    ASSERT_TRUE(view->DetailRunning());
    EXPECT_EQ(watch.PortValues(I2CAddr::IFFilterSweep), click.portValues) << click.type;
    const unsigned from = usb2sim::GetState().sweeps;
    ASSERT_TRUE(testpump::PumpUntil(testpump::Loop::Messages,
                                    [&] { return usb2sim::GetState().sweeps >= from + 2; }));
    EXPECT_EQ(usb2sim::GetState().ifFilter[0], click.type);
    EXPECT_EQ(usb2sim::GetState().ifFilter[1], click.type);
  }
}

// Leaving the differential view puts the instrument on its normal input as the very last device step,
// after the loudspeaker went quiet.
TEST_F(ViewStepsTest, TheDifferentialViewSelectsTheNormalInputLastWhenLeft) {
  StartOnLinkedSimulator();
  TAnalyserViewBase* view = Enter(6);
  Freq()->SetCenter(868.3);
  Freq()->SetSpan(5);
  ASSERT_TRUE(view->DetailRunning());
  I2CWriteWatch watch;
  view->Leave();
  const std::vector<I2CWriteWatch::Write> writes = watch.Writes();
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.back().address, I2CAddr::MainboardPort);
  EXPECT_EQ(usb2sim::GetState().input, 0);
  EXPECT_DOUBLE_EQ(Freq()->MaxFrequency, 15000);
}

// The audio view lists its displays as overview, detail, audio spectrum, audio waterfall, and its Enter
// places the band strip over the detail display, with no help from the deferred resize.
TEST_F(ViewStepsTest, TheAudioViewListsItsDisplaysAndPlacesTheBandStripOnEnter) {
  StartOnLinkedSimulator();
  Enter(2);  // the intensity view's strip stands lower
  Freq()->SetCenter(868.3);
  Freq()->SetSpan(5);
  ASSERT_TRUE(testpump::PumpUntil(testpump::Loop::Messages, [] { return !ResizeTimer->Enabled(); }));
  VclTest::HoldTimerTicks([](const TTimer* t) { return t == ResizeTimer; });
  auto* view = static_cast<TUAudioFrame*>(Enter(4));
  ASSERT_TRUE(view->DetailRunning());
  ASSERT_EQ(DisplayListGlobal->Count(), 4);
  EXPECT_EQ(DisplayListGlobal->GetDisplay(0), view->OverviewDisplay());
  EXPECT_EQ(DisplayListGlobal->GetDisplay(1), view->DetailDisplay());
  EXPECT_EQ(DisplayListGlobal->GetDisplay(2)->DataBuffer, view->AudioTrace());
  EXPECT_EQ(DisplayListGlobal->GetDisplay(3)->WaterBuffer, view->AudioWater());
  const TRect strip =
      analyser::StripBounds(20, 60, 580, RenderWindow->ClientWidth(), RenderWindow->ClientHeight());
  EXPECT_EQ(OverlayStripPanel->BoundsRect(), strip);
  VclTest::HoldTimerTicks(nullptr);
}

// The fonts of the analyser views' own panels and labels: the intensity settings and the max hold
// view's "Clear".
TEST_F(ViewStepsTest, PanelsAndLabelsTakeTheirFonts) {
  StartOnLinkedSimulator();
  auto* settings = static_cast<TIntensitySettingsFrame*>(IntensitySettingsFrame);
  auto* maxHold = static_cast<TUMaxHoldFrame*>(Enter(5));
  struct Case {
    const char* name;
    TFont* font;
    const char* fontName;
    int height;
    bool bold;
  };
  const Case cases[] = {
      {"Speed label", settings->Label1->Font(), "MS Sans Serif", -19, false},
      {"Filter label", settings->Label2->Font(), "MS Sans Serif", -19, false},
      {"Speed panel", settings->Panel1->Font(), "MS Sans Serif", -11, true},
      {"Filter panel", settings->Panel2->Font(), "MS Sans Serif", -11, true},
      {"Clear", maxHold->Panel1->Font(), "Arial", -19, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.font->Name(), c.fontName) << c.name;
    EXPECT_EQ(c.font->Height(), c.height) << c.name;
    EXPECT_EQ((c.font->Style() & fsBold) != 0, c.bold) << c.name;
    EXPECT_EQ(c.font->Color(), clScrollBar) << c.name;
  }
  for (TPanel* p : {settings->Panel1, settings->Panel2, maxHold->Panel1}) EXPECT_EQ(p->BevelOuter(), bvNone);
}

}  // namespace
