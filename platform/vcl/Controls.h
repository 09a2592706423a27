// Components and controls: the owner tree, the parent tree, bounds, visibility, input events.
//
// Conventions of the GUI library:
//  - A property X is read by X() and written by SetX(value) (Width() / SetWidth(w), Caption() /
//    SetCaption(s)). Sub-objects (Font(), Canvas(), Picture(), Items()) are pointers owned by their
//    holder. Events are public std::function members named OnX; an empty function means "no handler".
//  - Ownership: the owner deletes what it owns when it is destroyed; deleting an owned component
//    early removes it from its owner. The parent is only the visual container: destroying a parent
//    detaches (un-parents) the children it does not own.
//  - Coordinates are pixels relative to the parent's client area (a form without parent: the screen).
//  - Everything here runs on the GUI thread only.
//  - Controls are built over Qt widgets; the widgets are reached only through platform/vcl/Native.h.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Types.h"

class QWidget;
class QPainter;
class TWinControl;
class TControl;
struct VclInternals;

// ---- Input types ----
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// A set of TShiftFlag bits: (Shift & ssLeft) tests "left button held" (bit 3).
using TShiftState = unsigned;
enum TShiftFlag : unsigned {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
  ssDouble = 1u << 6,
};

// Virtual key codes delivered by OnKeyDown/OnKeyUp (letters and digits are their upper-case ASCII).
enum : uint16_t {
  VK_BACK = 8,
  VK_TAB = 9,
  VK_RETURN = 13,
  VK_SHIFT = 16,
  VK_CONTROL = 17,
  VK_MENU = 18,
  VK_ESCAPE = 27,
  VK_SPACE = 32,
  VK_PRIOR = 33,
  VK_NEXT = 34,
  VK_END = 35,
  VK_HOME = 36,
  VK_LEFT = 37,
  VK_UP = 38,
  VK_RIGHT = 39,
  VK_DOWN = 40,
  VK_INSERT = 45,
  VK_DELETE = 46,
  VK_F1 = 112,
};

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
// WheelDelta: +-120 per notch (negative: turned towards the user); MousePos in client pixels.
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TCanResizeEvent = std::function<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;

// Border of forms (all values) and of edits, list boxes and panels (bsNone, bsSingle).
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// ---- Messages seen by the application's message hook before they are dispatched ----
constexpr unsigned WM_KEYDOWN = 0x0100;
constexpr unsigned WM_KEYUP = 0x0101;
constexpr unsigned WM_MOUSEMOVE = 0x0200;
constexpr unsigned WM_LBUTTONDOWN = 0x0201;
constexpr unsigned WM_LBUTTONUP = 0x0202;
constexpr unsigned WM_RBUTTONDOWN = 0x0204;
constexpr unsigned WM_RBUTTONUP = 0x0205;
constexpr unsigned WM_MBUTTONDOWN = 0x0207;
constexpr unsigned WM_MBUTTONUP = 0x0208;
constexpr unsigned WM_MOUSEWHEEL = 0x020A;  // 522

// For WM_MOUSEWHEEL the high word of wParam is the signed delta (+-120 per notch) and lParam holds
// the screen position (x low word, y high word); for mouse buttons lParam holds the client position.
struct TMsg {
  TControl* Control = nullptr;  // the control the message is for (null: no control of ours)
  unsigned message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  TPoint pt;  // screen position of the mouse
};
inline int GetWheelDeltaWParam(uintptr_t wParam) { return static_cast<int16_t>((wParam >> 16) & 0xFFFF); }

// ---- Components ----
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t tag) { tag_ = tag; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;                   // null for a bad index
  TComponent* FindComponent(const std::string& name) const;  // by Name, ignoring ASCII case
  void InsertComponent(TComponent* component);  // takes ownership (removing it from its old owner)
  void RemoveComponent(TComponent* component);  // gives ownership up; the component stays alive

 protected:
  void DestroyComponents();  // deletes every owned component, the last one first

 private:
  TComponent* owner_ = nullptr;
  std::string name_;
  intptr_t tag_ = 0;
  std::vector<TComponent*> components_;
};

// ---- Controls ----
class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
  void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(Left(), Top(), Width(), Height()); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  int ClientWidth() const;
  int ClientHeight() const;
  void SetClientWidth(int width);
  void SetClientHeight(int height);
  TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
  TPoint ClientToScreen(const TPoint& p) const;
  TPoint ScreenToClient(const TPoint& p) const;

  // The control's own flag, independent of its ancestors; Showing() is true when it is on screen.
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  virtual std::string Caption() const { return caption_; }
  virtual void SetCaption(const std::string& caption);
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
  TColor Color() const { return color_; }
  virtual void SetColor(TColor color);
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* font) { font_->Assign(font); }
  // With ParentFont (the default) the control uses its parent's font until its own Font is changed.
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool on);
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool show);
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool on) { doubleBuffered_ = on; }  // painting is always double-buffered

  void BringToFront();
  void SendToBack();
  void Invalidate();  // repaint at the next dispatch
  void Repaint();     // repaint now
  void Refresh() { Repaint(); }
  // Repaints at once. Derived classes may override it with their own meaning; the library itself
  // never calls it.
  virtual void Update();

  // Fires OnClick (buttons: as if pressed).
  virtual void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TMouseWheelEvent OnMouseWheel;
  TNotifyEvent OnResize;

 protected:
  // The widget is made by the derived class's constructor through SetWidget.
  void SetWidget(QWidget* widget);
  QWidget* Widget() const { return widget_; }
  virtual void Resize();  // the client size changed: fires OnResize
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual bool MouseWheel(TShiftState shift, int delta, TPoint pos);  // true when handled
  // Draws the control's own content (controls painted by the library); the default does nothing.
  virtual void Paint(QPainter& painter);
  virtual void FontChanged();
  virtual void ApplyVisibility();
  virtual bool IsTopLevelForm() const { return false; }
  bool ColorSet() const { return colorSet_; }

 private:
  friend struct VclInternals;
  friend class TWinControl;
  void SizeMaybeChanged();
  QWidget* widget_ = nullptr;
  TWinControl* parent_ = nullptr;
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  TColor color_ = clBtnFace;
  bool colorSet_ = false;
  std::unique_ptr<TFont> font_;
  TAlign align_ = alNone;
  TCursor cursor_ = crDefault;
  std::string hint_;
  bool showHint_ = false;
  bool doubleBuffered_ = false;
  int lastWidth_ = -1;
  int lastHeight_ = -1;
  bool pressedLeft_ = false;
  bool clickFromMouse_ = true;  // left press + release inside fires Click (not for native buttons)
  bool parentFont_ = true;
  bool applyingParentFont_ = false;
  std::function<void(QPainter&, int, int)> paintHandler_;  // set through Native.h
  std::function<bool()> paintHandlerCovers_;  // true while the handler paints every pixel
};

// A control drawn by the library inside its parent (labels, images).
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);
};

// A control that can hold child controls.
class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const;  // null for a bad index
  bool ContainsControl(const TControl* control) const;
  bool Focused() const;
  void SetFocus();
  bool CanFocus() const;
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool on) { tabStop_ = on; }
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int order) { tabOrder_ = order; }
  void DisableAlign() { ++alignDisabled_; }
  void EnableAlign();
  void Realign();

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 protected:
  void Resize() override;
  // The widget that child widgets are placed in (a scroll box's or group's inner widget).
  virtual QWidget* ClientWidget() const;
  virtual void InsertChild(TControl* child);
  virtual void RemoveChild(TControl* child);
  virtual void ChildBoundsChanged(TControl* child);
  virtual void KeyDown(uint16_t& key, TShiftState shift);
  virtual void KeyUp(uint16_t& key, TShiftState shift);
  virtual void KeyPress(char& key);

 private:
  friend class TControl;
  friend struct VclInternals;
  void AlignControls();
  std::vector<TControl*> controls_;
  bool tabStop_ = false;
  int tabOrder_ = 0;
  int alignDisabled_ = 0;
  bool aligning_ = false;
};
