// Faults switched on and off while the instrument runs, as the soak run injects them.
#include "tests/sim/SimCaller.h"

using namespace simtest;

namespace {

TEST(SimFaultApi, ACommandFailsUntilItIsSwitchedBack) {
  Fresh();
  usb2sim::SetCommandFails(14, true);
  EXPECT_FALSE(Out({14, 0}));
  EXPECT_EQ(UsbGetError(), 5);
  EXPECT_EQ(usb2sim::GetState().failedCommands, 1u);
  usb2sim::SetCommandFails(14, false);
  ASSERT_TRUE(Out({14, 0}));
  EXPECT_EQ(In(18).size(), 18u);
  Fresh();
  ASSERT_TRUE(Out({14, 0})) << "a new scenario starts without the fault";
  EXPECT_EQ(In(18).size(), 18u);
}

}  // namespace
