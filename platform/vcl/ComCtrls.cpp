// Track bars, progress bars, page controls and report-style list views.
#include <QCoreApplication>
#include <QHeaderView>
#include <QPointer>
#include <QProgressBar>
#include <QSlider>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>

#include "platform/vcl/Internal.h"
#include "platform/vcl/Native.h"

// ---- Track bar ----
namespace {
QSlider* Slider(QWidget* w) { return static_cast<QSlider*>(w); }
QProgressBar* Bar(QWidget* w) { return static_cast<QProgressBar*>(w); }
}  // namespace

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
  auto* slider = new QSlider(Qt::Horizontal);
  slider->resize(150, 45);
  slider->setRange(0, 10);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(1);
  VclInternals::SetClickFromMouse(this, false);
  SetWidget(slider);
  SetTabStop(true);
  QObject::connect(slider, &QSlider::valueChanged, slider, [this](int) {
    vcl::Guarded([this] {
      if (OnChange) OnChange(this);
    });
  });
}

int TTrackBar::Min() const { return Slider(Widget())->minimum(); }
int TTrackBar::Max() const { return Slider(Widget())->maximum(); }
int TTrackBar::Position() const { return Slider(Widget())->value(); }
void TTrackBar::SetMin(int value) { Slider(Widget())->setMinimum(value); }
void TTrackBar::SetMax(int value) { Slider(Widget())->setMaximum(value); }
void TTrackBar::SetPosition(int value) { Slider(Widget())->setValue(std::clamp(value, Min(), Max())); }
int TTrackBar::Frequency() const { return Slider(Widget())->tickInterval(); }
void TTrackBar::SetFrequency(int value) { Slider(Widget())->setTickInterval(value); }
int TTrackBar::LineSize() const { return Slider(Widget())->singleStep(); }
void TTrackBar::SetLineSize(int value) { Slider(Widget())->setSingleStep(value); }
int TTrackBar::PageSize() const { return Slider(Widget())->pageStep(); }
void TTrackBar::SetPageSize(int value) { Slider(Widget())->setPageStep(value); }

void TTrackBar::SetOrientation(TTrackBarOrientation orientation) {
  orientation_ = orientation;
  QSlider* s = Slider(Widget());
  s->setOrientation(orientation == trVertical ? Qt::Vertical : Qt::Horizontal);
  s->setInvertedAppearance(orientation == trVertical);  // the minimum at the top, as the class library has it
}

void TTrackBar::SetTickStyle(TTickStyle style) {
  tickStyle_ = style;
  Slider(Widget())->setTickPosition(style == tsNone ? QSlider::NoTicks : QSlider::TicksBelow);
}

// ---- Progress bar ----
TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
  auto* bar = new QProgressBar;
  bar->resize(150, 17);
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setTextVisible(false);
  SetWidget(bar);
}

int TProgressBar::Min() const { return Bar(Widget())->minimum(); }
int TProgressBar::Max() const { return Bar(Widget())->maximum(); }
int TProgressBar::Position() const { return Bar(Widget())->value(); }

void TProgressBar::SetMin(int value) {
  int pos = Position();
  Bar(Widget())->setMinimum(value);
  SetPosition(pos);
}

void TProgressBar::SetMax(int value) {
  int pos = Position();
  Bar(Widget())->setMaximum(value);
  SetPosition(pos);
}

void TProgressBar::SetPosition(int value) {
  Bar(Widget())->setValue(std::clamp(value, Min(), std::max(Min(), Max())));
}

// ---- Tab sheet and page control ----
TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  auto* widget = new vcl::ControlWidget(this);
  SetWidget(widget);
}

TTabSheet::~TTabSheet() = default;

TPageControl* TTabSheet::PageControl() const { return dynamic_cast<TPageControl*>(Parent()); }

void TTabSheet::SetPageControl(TPageControl* pageControl) { SetParent(pageControl); }

void TTabSheet::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  if (TPageControl* pc = PageControl()) {
    auto* tabs = static_cast<QTabWidget*>(NativeWidget(pc));
    int index = tabs->indexOf(Widget());
    if (index >= 0) tabs->setTabText(index, vcl::ToQ(caption));
  }
}

int TTabSheet::PageIndex() const {
  TPageControl* pc = PageControl();
  if (!pc) return -1;
  auto it = std::find(pc->pages_.begin(), pc->pages_.end(), this);
  return it == pc->pages_.end() ? -1 : static_cast<int>(it - pc->pages_.begin());
}

void TTabSheet::SetTabVisible(bool on) {
  tabVisible_ = on;
  if (TPageControl* pc = PageControl()) {
    auto* tabs = static_cast<QTabWidget*>(NativeWidget(pc));
    int index = tabs->indexOf(Widget());
    if (index >= 0) tabs->setTabVisible(index, on);
  }
}

void TTabSheet::Paint(QPainter& painter) {
  if (ColorSet()) painter.fillRect(Widget()->rect(), vcl::ToQColor(Color()));
}

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
  auto* tabs = new QTabWidget;
  tabs->resize(289, 193);
  VclInternals::SetClickFromMouse(this, false);
  SetWidget(tabs);
  SetTabStop(true);
  QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [this](int) {
    if (!switching_)
      vcl::Guarded([this] {
        if (OnChange) OnChange(this);
      });
  });
}

void TPageControl::InsertChild(TControl* child) {
  auto* sheet = dynamic_cast<TTabSheet*>(child);
  if (!sheet) {
    TWinControl::InsertChild(child);
    return;
  }
  TWinControl::InsertChild(child);
  pages_.push_back(sheet);
  auto* tabs = static_cast<QTabWidget*>(Widget());
  switching_ = true;
  tabs->addTab(NativeWidget(sheet), vcl::ToQ(sheet->Caption()));
  tabs->setTabVisible(tabs->count() - 1, sheet->TabVisible());
  switching_ = false;
}

// Compared by address: a sheet being destroyed is no longer a TTabSheet when it leaves.
void TPageControl::RemoveChild(TControl* child) {
  auto it = std::find_if(pages_.begin(), pages_.end(),
                         [child](TTabSheet* p) { return static_cast<TControl*>(p) == child; });
  if (it != pages_.end()) {
    auto* tabs = static_cast<QTabWidget*>(Widget());
    switching_ = true;
    int index = tabs->indexOf(NativeWidget(child));
    if (index >= 0) tabs->removeTab(index);
    switching_ = false;
    pages_.erase(it);
  }
  TWinControl::RemoveChild(child);
}

int TPageControl::PageCount() const { return static_cast<int>(pages_.size()); }

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount()) return nullptr;
  return pages_[static_cast<size_t>(index)];
}

TTabSheet* TPageControl::ActivePage() const {
  auto* tabs = static_cast<QTabWidget*>(Widget());
  return dynamic_cast<TTabSheet*>(ControlOfWidget(tabs->currentWidget()));
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (!page || page->PageControl() != this) return;
  switching_ = true;
  static_cast<QTabWidget*>(Widget())->setCurrentWidget(NativeWidget(page));
  switching_ = false;
}

int TPageControl::ActivePageIndex() const {
  TTabSheet* page = ActivePage();
  return page ? page->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index) { SetActivePage(Pages(index)); }

// ---- List view ----
void TListColumn::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (view_) view_->Rebuild();
}

void TListColumn::SetWidth(int width) {
  width_ = width;
  if (view_) view_->Rebuild();
}

TListColumn* TListColumns::Add() {
  columns_.push_back(std::make_unique<TListColumn>());
  TListColumn* c = columns_.back().get();
  c->view_ = view_;
  c->index_ = Count() - 1;
  if (view_) view_->Rebuild();
  return c;
}

TListColumn* TListColumns::Items(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return columns_[static_cast<size_t>(index)].get();
}

void TListColumns::Clear() {
  columns_.clear();
  if (view_) view_->Rebuild();
}

void TListItem::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (view_) view_->Rebuild();
}

int TListItem::Index() const {
  if (!view_) return -1;
  const auto& items = view_->items_.items_;
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].get() == this) return static_cast<int>(i);
  return -1;
}

TListItem* TListItems::Add() {
  items_.push_back(std::make_unique<TListItem>());
  TListItem* item = items_.back().get();
  item->view_ = view_;
  if (view_) view_->Rebuild();
  return item;
}

TListItem* TListItems::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

void TListItems::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  if (view_) view_->Rebuild();
}

void TListItems::Clear() {
  items_.clear();
  if (view_) view_->Rebuild();
}

TListView::TListView(TComponent* AOwner) : TWinControl(AOwner) {
  auto* tree = new QTreeWidget;
  tree->resize(250, 150);
  tree->setRootIsDecorated(false);
  VclInternals::SetClickFromMouse(this, false);
  SetWidget(tree);
  columns_.view_ = this;
  items_.view_ = this;
}

TListView::~TListView() {
  columns_.view_ = nullptr;
  items_.view_ = nullptr;
  for (auto& c : columns_.columns_) c->view_ = nullptr;
  for (auto& i : items_.items_) i->view_ = nullptr;
}

void TListView::SetGridLines(bool on) {
  gridLines_ = on;
  static_cast<QTreeWidget*>(Widget())->setAlternatingRowColors(on);
}

void TListView::RefreshItems() { Rebuild(); }

// Sub-items are plain strings, so the rows are rebuilt at the next dispatch after any change.
void TListView::Rebuild() {
  if (rebuildPending_) return;
  rebuildPending_ = true;
  QPointer<QWidget> alive(Widget());
  QMetaObject::invokeMethod(
      Widget(),
      [this, alive] {
        if (!alive) return;
        rebuildPending_ = false;
        auto* tree = static_cast<QTreeWidget*>(Widget());
        QStringList headers;
        for (auto& c : columns_.columns_) headers << vcl::ToQ(c->Caption());
        tree->setColumnCount(std::max(1, static_cast<int>(headers.size())));
        tree->setHeaderLabels(headers);
        for (int i = 0; i < columns_.Count(); ++i) tree->setColumnWidth(i, columns_.Items(i)->Width());
        tree->clear();
        for (auto& item : items_.items_) {
          QStringList cells;
          cells << vcl::ToQ(item->Caption());
          for (int s = 0; s < item->SubItems()->Count(); ++s) cells << vcl::ToQ(item->SubItems()->Strings(s));
          tree->addTopLevelItem(new QTreeWidgetItem(cells));
        }
      },
      Qt::QueuedConnection);
}
