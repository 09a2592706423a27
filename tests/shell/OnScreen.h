// The main window as the operator sees it: its category buttons, where a control stands in the
// window's client pixels, and whether the window system's hit test reaches every part of it.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vcl/TestHooks.h"
#include "shell/CategoryFrames.h"
#include "shell/RT7731_IV_Unit.h"

namespace onscreen {

// Main button n (1..9).
inline TImage* MainButton(const TMainWin* win, int n) {
  TImage* buttons[] = {win->MainBut1, win->MainBut2, win->MainBut3, win->MainBut4, win->MainBut5,
                       win->MainBut6, win->MainBut7, win->MainBut8, win->MainBut9};
  return buttons[n - 1];
}

// The category frames that are visible, by main-button number.
inline std::vector<int> VisibleCategories(const TMainWin* win) {
  std::vector<int> visible;
  for (int n = 1; n <= 9; ++n)
    if (win->CategoryFrame(n)->Visible()) visible.push_back(n);
  return visible;
}

// The control's rectangle in the main window's client pixels.
inline TRect InMainWindow(const TMainWin* win, TControl* control) {
  const TPoint origin = win->ScreenToClient(control->ClientToScreen(TPoint(0, 0)));
  return Rect(origin.X, origin.Y, origin.X + control->Width(), origin.Y + control->Height());
}

// The centre of a control in the main window's client pixels.
inline TPoint CentreInMainWindow(const TMainWin* win, TControl* control) {
  return win->ScreenToClient(control->ClientToScreen(TPoint(control->Width() / 2, control->Height() / 2)));
}

// No other control covers any part of the control: a grid of points x points over it reaches it.
inline void ExpectUncovered(TMainWin* win, TControl* control, int points, const std::string& what) {
  const TRect r = InMainWindow(win, control);
  for (int i = 0; i < points; ++i)
    for (int j = 0; j < points; ++j) {
      const int x = r.Left + 1 + (r.Width() - 3) * i / (points - 1);
      const int y = r.Top + 1 + (r.Height() - 3) * j / (points - 1);
      EXPECT_TRUE(VclTest::Reaches(win, x, y, control)) << what << " covered at " << x << ", " << y;
    }
}

}  // namespace onscreen
