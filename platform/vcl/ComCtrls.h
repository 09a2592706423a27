// Track bars, progress bars, page controls with tab sheets, and report-style list views.
// Conventions: see Controls.h.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/Controls.h"

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickStyle { tsNone, tsAuto, tsManual };

// Position is kept within Min..Max (clamped). OnChange fires whenever Position changes, also when
// the change is made in code (setting Position, Min or Max); setting the same value fires nothing.
class TTrackBar : public TWinControl {
 public:
  explicit TTrackBar(TComponent* AOwner);
  int Min() const;
  void SetMin(int value);
  int Max() const;
  void SetMax(int value);
  int Position() const;
  void SetPosition(int value);
  int Frequency() const;  // distance between ticks
  void SetFrequency(int value);
  int LineSize() const;
  void SetLineSize(int value);
  int PageSize() const;
  void SetPageSize(int value);
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation orientation);
  TTickStyle TickStyle() const { return tickStyle_; }
  void SetTickStyle(TTickStyle style);

  TNotifyEvent OnChange;

 private:
  TTrackBarOrientation orientation_ = trHorizontal;
  TTickStyle tickStyle_ = tsAuto;
};

// Position is kept within Min..Max.
class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* AOwner);
  int Min() const;
  void SetMin(int value);
  int Max() const;
  void SetMax(int value);
  int Position() const;
  void SetPosition(int value);
  int Step() const { return step_; }
  void SetStep(int step) { step_ = step; }
  void StepIt() { SetPosition(Position() + step_); }
  void StepBy(int delta) { SetPosition(Position() + delta); }

 private:
  int step_ = 10;
};

class TPageControl;

// One page of a page control; set its PageControl (or its Parent to the page control) to add it.
class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  TPageControl* PageControl() const;
  void SetPageControl(TPageControl* pageControl);
  void SetCaption(const std::string& caption) override;
  int PageIndex() const;
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool on);

 protected:
  void Paint(QPainter& painter) override;

 private:
  bool tabVisible_ = true;
};

class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* AOwner);
  int PageCount() const;
  TTabSheet* Pages(int index) const;  // null for a bad index
  TTabSheet* ActivePage() const;
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);

  TNotifyEvent OnChange;  // the user switched pages

 protected:
  void InsertChild(TControl* child) override;
  void RemoveChild(TControl* child) override;

 private:
  friend class TTabSheet;
  std::vector<TTabSheet*> pages_;
  bool switching_ = false;
};

// ---- List view (report style) ----
class TListView;

class TListColumn {
 public:
  friend class TListView;
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  int Width() const { return width_; }
  void SetWidth(int width);

 private:
  friend class TListColumns;
  TListView* view_ = nullptr;
  int index_ = 0;
  std::string caption_;
  int width_ = 50;
};

class TListColumns {
 public:
  TListColumn* Add();
  int Count() const { return static_cast<int>(columns_.size()); }
  TListColumn* Items(int index) const;  // null for a bad index
  void Clear();

 private:
  friend class TListView;
  TListView* view_ = nullptr;
  std::vector<std::unique_ptr<TListColumn>> columns_;
};

class TListItem {
 public:
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  TStringList* SubItems() { return &subItems_; }  // shown after the next change or Refresh
  int Index() const;

 private:
  friend class TListItems;
  friend class TListView;
  TListView* view_ = nullptr;
  std::string caption_;
  TStringList subItems_;
};

class TListItems {
 public:
  TListItem* Add();
  int Count() const { return static_cast<int>(items_.size()); }
  TListItem* Item(int index) const;  // null for a bad index
  void Delete(int index);
  void Clear();

 private:
  friend class TListView;
  friend class TListItem;
  TListView* view_ = nullptr;
  std::vector<std::unique_ptr<TListItem>> items_;
};

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

// A table of rows (items with sub-items) under column headers.
class TListView : public TWinControl {
 public:
  explicit TListView(TComponent* AOwner);
  ~TListView() override;
  TListColumns* Columns() { return &columns_; }
  TListItems* Items() { return &items_; }
  TViewStyle ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TViewStyle style) { viewStyle_ = style; }
  bool GridLines() const { return gridLines_; }
  void SetGridLines(bool on);
  void RefreshItems();  // shows the current items and sub-items

 private:
  friend class TListColumn;
  friend class TListColumns;
  friend class TListItem;
  friend class TListItems;
  void Rebuild();
  TListColumns columns_;
  TListItems items_;
  TViewStyle viewStyle_ = vsIcon;
  bool gridLines_ = false;
  bool rebuildPending_ = false;
};
