// The silent search's 500 ms state machine: scan for carriers, then candidate by candidate record the
// demodulated audio beside the room microphone and judge whether they match; four matches of six tries
// raise the blinking alarm. The machine drives its threads and the candidate list through hooks, so it
// runs the same with the real threads and in tests.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The verdict of one try: 1 no match, 2 match, 3 not measurable.
int SilentVerdict(bool centreValid, double levelMicro, double result);

// The scan range from the two edits (MHz). Each must be a number; both are kept within 0..15000 MHz and
// put in order. False, with a message for the operator, when an edit is not a number.
bool ParseSilentRange(const std::string& startText, const std::string& stopText, double& startHz,
                      double& stopHz, std::string& message);

class SilentSearch {
 public:
  enum State {
    StartScan = 0,
    Scanning = 1,
    ScanDone = 2,
    NextCandidate = 3,
    Evaluate = 4,
    Measuring = 5,
    Found = 6
  };
  static constexpr int Tries = 6;

  struct Hooks {
    std::function<void()> startScan;                        // state 0 -> 1
    std::function<void(double frequency)> startRecord;      // state 3 -> 5
    std::function<int()> count;                             // candidates in the list
    std::function<double(int)> frequency;                   // Hz of candidate i
    std::function<std::array<int32_t, Tries>*(int)> tries;  // try results of candidate i
    std::function<void(int)> raiseAlarm;                    // the alarm flag of candidate i
    std::function<void(int, bool)> highlight;               // candidate i is (no longer) being measured
    std::function<void()> listChanged;                      // the list was refilled: show it
    std::function<void()> repaint;
    std::function<void(bool on)> blink;  // alarm phase: indicator and list colour
    std::function<void(const std::vector<std::string>&)> debugLines;
  };

  explicit SilentSearch(Hooks hooks) : hooks_(std::move(hooks)) {}

  // One timer tick; may pass through several states.
  void Tick();
  // Back to the start (Stop, Leave); clears the retry and blink state too.
  void Reset();

  // Terminate handlers: the scan ended; the record ended without centring; the analysis ended.
  void ScanEnded() { state_ = ScanDone; }
  void RecordNotCentred() {
    centreValid_ = false;
    state_ = Evaluate;
  }
  void AnalysisEnded(double levelDemod, double levelMicro, double result) {
    centreValid_ = true;
    levelDemod_ = levelDemod;
    levelMicro_ = levelMicro;
    result_ = result;
    state_ = Evaluate;
  }

  int StateValue() const { return state_; }
  int CandidateIndex() const { return index_; }
  double CandidateFrequency() const { return frequency_; }
  bool BlinkOn() const { return blink_; }

 private:
  void Judge();

  Hooks hooks_;
  int state_ = StartScan;
  int index_ = 0;
  bool retry_ = false;
  bool blink_ = false;
  bool centreValid_ = false;
  double frequency_ = 0.0;
  double levelDemod_ = 0.0, levelMicro_ = 0.0, result_ = 0.0;
};
