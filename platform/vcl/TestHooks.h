// Hooks for headless tests and tools: synthetic input and scripted answers for boxes and dialogs.
// Everything here runs on the GUI thread, except the scripting functions, which any thread may call.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"

namespace VclTest {

// True when no real display is used (QT_QPA_PLATFORM=offscreen or minimal).
bool Headless();

// ---- Synthetic input: delivered as the window system would, through the application's message
// hook and then to the control. Each returns false (and delivers nothing) when the control is not
// showing or not enabled. Positions are client pixels of the control.
bool Click(TControl* control);  // left button down and up at the centre
bool MouseDown(TControl* control, TMouseButton button, int x, int y, TShiftState shift = 0);
bool MouseMove(TControl* control, int x, int y, TShiftState shift = 0);
bool MouseUp(TControl* control, TMouseButton button, int x, int y, TShiftState shift = 0);
bool DoubleClick(TControl* control, int x, int y);
// A click that arrives while the program is busy: the left button's down and up at the centre are
// queued as the window system queues them, and delivered (through the message hook to the control)
// by the next loop that dispatches messages. False (nothing queued) when the control is not showing
// or not enabled.
bool PostClick(TControl* control);
// Left button down and up at (x, y) of the form's client area, delivered to the control the window
// system finds there: the topmost visible child under the point, whatever covers whom. Returns
// false (and delivers nothing) when the point lies outside the form or on a disabled control.
bool ClickAt(TForm* form, int x, int y);
// True when a click at (x, y) of the form's client area would reach the control (or a child of it),
// that is, when nothing else covers the control at that point.
bool Reaches(TForm* form, int x, int y, TControl* control);
// Wheel turn of `delta` (+-120 per notch) over the control at (x, y); (-1, -1): its centre.
bool Wheel(TControl* control, int delta, int x = -1, int y = -1);
bool KeyDown(TControl* control, uint16_t key, TShiftState shift = 0);
// Types text into an edit or combo box as the user would.
bool TypeText(TControl* control, const std::string& text);
// Resizes a form as the user would by dragging its border (OnCanResize may veto or change it).
void UserResize(TForm* form, int width, int height);
// Presses the form's close button.
void CloseButton(TForm* form);

// ---- Scripted answers for message boxes and dialogs, consumed in order ----
// A message box returns the next scripted button; an open/save dialog returns the next scripted
// file name (empty: cancelled); a colour dialog the next scripted colour or cancel. Without a
// scripted answer, a message box returns its default button and a dialog is cancelled.
void ScriptMessageBoxAnswer(int id);                       // IDOK, IDYES, IDNO, IDCANCEL, ...
void ScriptFileDialogAnswer(const std::string& fileName);  // "" cancels
void ScriptColorDialogAnswer(TColor color);
void ScriptDialogCancel();
void ClearScriptedAnswers();
// Headless boxes and dialogs are shown on the offscreen screen and wait until they are closed (by
// a termination signal or DismissDialogs), as with a display; off: they answer at once.
void SetHeadlessDialogsWait(bool on);
// Forgets a termination signal and a dismissal of the dialogs, so that a test can start afresh.
void ResetTermination();
int ScriptedAnswersLeft();

// Every box and dialog shown so far (caption and text), oldest first; Clear empties it.
struct ShownBox {
  std::string caption;
  std::string text;
  int answer = 0;
};
std::vector<ShownBox> ShownBoxes();
void ClearShownBoxes();

// ---- Timers: the ticks of every timer for which `held` answers true are dropped, so a test can
// look at a state that a timer would clear after a while, however slowly the run goes. An empty
// function releases all timers.
void HoldTimerTicks(std::function<bool(const TTimer*)> held);

// ---- Process-wide caches of the toolkit ----
// Empties the style's cache of drawn control pictures. A program run that ends with its process
// leaves this cache behind with it; a tool that starts the program many times in one process (the
// soak) calls this between runs, as a new process would start with it empty. Its size is bounded
// by the toolkit either way.
void ClearStyleCache();

}  // namespace VclTest
