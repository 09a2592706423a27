// Panels, images and timers. Conventions: see Controls.h.
#pragma once
#include <memory>
#include <string>

#include "platform/vcl/Controls.h"
#include "platform/vcl/StdCtrls.h"

class QTimer;

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A container with a background colour, an optional bevel and a centred caption. Mouse events and
// OnClick (left button) fire only while the panel and its ancestors are enabled.
class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* AOwner);
  void SetCaption(const std::string& caption) override;
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut bevel);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut bevel);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  bool ParentBackground() const { return parentBackground_; }
  void SetParentBackground(bool on) { parentBackground_ = on; }  // the panel always paints its Color

 protected:
  void Paint(QPainter& painter) override;

 private:
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  int bevelWidth_ = 1;
  TBorderStyle borderStyle_ = bsNone;
  TAlignment alignment_ = taCenter;
  bool parentBackground_ = true;
};

// Shows a picture: at its natural size from the top-left corner, centred (Center), or scaled to the
// control (Stretch, keeping the aspect ratio with Proportional). With Transparent, pixels of the
// bitmap's transparent colour are not drawn. Changes to the picture or its canvas show at the next
// dispatch.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  TPicture* Picture() { return picture_.get(); }
  void SetPicture(const TPicture* picture) { picture_->Assign(picture); }
  // The canvas of the picture's bitmap; an empty picture first gets a bitmap of the image's size.
  TCanvas* Canvas();
  bool Stretch() const { return stretch_; }
  void SetStretch(bool on);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool on);
  bool Center() const { return center_; }
  void SetCenter(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);

 protected:
  void Paint(QPainter& painter) override;

 private:
  void PictureChanged();
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool proportional_ = false;
  bool center_ = false;
  bool transparent_ = false;
  bool autoSize_ = false;
};

// Calls OnTimer every Interval milliseconds while Enabled, from the GUI message loop (Run or
// ProcessMessages). Interval 0 never fires. Enabling a disabled timer, or changing the interval,
// starts the count again. A late tick is delivered once, never as a burst. A tick that falls in a
// dispatch hold (TDispatchHold) is dropped; the timer ticks again an interval later.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned milliseconds);

  TNotifyEvent OnTimer;

 private:
  friend struct VclInternals;
  void Update();
  void Tick();
  QTimer* timer_ = nullptr;
  bool enabled_ = true;
  unsigned interval_ = 1000;
};
