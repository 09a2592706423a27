// A recording stand-in for the USB interface module: every call is logged in order, ParIn answers
// come from a queue, I2C chips can be absent, and the whole module can vanish after N transfers.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/InOut.h"

struct UsbEvent {
  enum Kind { ParOut, ParIn, I2CWrite, I2CRead, IODir, IOState, PortDir, ParInit, Init, Timeout } kind;
  uint8_t address = 0;  // I2C address, pin, port or mode
  std::vector<uint8_t> bytes;
  bool operator==(const UsbEvent&) const = default;
};

class FakeUsb2 {
 public:
  FakeUsb2();  // installs itself as the module of the next device object
  ~FakeUsb2();

  std::vector<UsbEvent> Events;
  std::deque<uint8_t> Answers;            // bytes handed out by ParIn, in order
  std::set<uint8_t> AbsentChips;          // I2C addresses that do not acknowledge
  std::map<uint8_t, uint8_t> ChipValues;  // what an I2C read of a present chip returns
  bool Present = true;
  int VanishAfter = -1;  // transfers that still succeed; -1 = never vanish
  int Transfers = 0;     // transfers attempted (DevicePresent not counted)
  int Error = 0;

  // Helpers for expectations
  std::vector<std::vector<uint8_t>> ParOuts() const;
  std::vector<UsbEvent> I2CWrites() const;
  std::vector<UsbEvent> Of(UsbEvent::Kind kind) const;
  void Clear() {
    Events.clear();
    Transfers = 0;
  }
  void Answer(std::initializer_list<uint8_t> bytes) { Answers.insert(Answers.end(), bytes); }
  void AnswerFill(size_t n, uint8_t value) { Answers.insert(Answers.end(), n, value); }

  static FakeUsb2* Current;
  static Usb2FunctionTable Table();

  bool Transfer();  // counts one transfer; false once the module has vanished
};
