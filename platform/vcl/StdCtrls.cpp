// Standard controls over Qt widgets, and the library's own text drawing for labels.
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>

#include <algorithm>

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Internal.h"

// ---- Text drawing ----
namespace vcl {

static QString DisplayText(const std::string& text) {
  QString s = ToQ(text);
  s.replace("\r\n", "\n");
  s.replace('\r', '\n');
  return s;
}

QSize TextSize(const TFont& font, const std::string& text, bool wordWrap, int maxWidth) {
  QFontMetrics fm(ToQFont(font));
  QString s = DisplayText(text.empty() ? std::string(" ") : text);
  if (wordWrap) {
    QRect r =
        fm.boundingRect(QRect(0, 0, std::max(1, maxWidth), 100000), Qt::TextExpandTabs | Qt::TextWordWrap, s);
    return QSize(r.width(), std::max(r.height(), fm.height()));
  }
  // Without wrapping: the widest line's advance and one cell height per line, as a canvas measures.
  QStringList lines = s.split('\n');
  int width = 0;
  for (const QString& line : lines) width = std::max(width, fm.horizontalAdvance(line));
  return QSize(width, fm.height() + (static_cast<int>(lines.size()) - 1) * fm.lineSpacing());
}

void DrawText(QPainter& painter, const TFont& font, const QRect& rect, const std::string& text,
              TAlignment alignment, TTextLayout layout, bool wordWrap) {
  int flags = Qt::TextExpandTabs;
  flags |= alignment == taCenter         ? Qt::AlignHCenter
           : alignment == taRightJustify ? Qt::AlignRight
                                         : Qt::AlignLeft;
  flags |= layout == tlCenter ? Qt::AlignVCenter : layout == tlBottom ? Qt::AlignBottom : Qt::AlignTop;
  if (wordWrap) flags |= Qt::TextWordWrap;
  painter.setFont(ToQFont(font));
  painter.setPen(ToQColor(font.Color()));
  painter.drawText(rect, flags, DisplayText(text));
}

}  // namespace vcl

// ---- Item list ----
void TControlItems::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TControlItems::Changed() {
  if (OnChange) OnChange();
  appended_ = -1;
}

int TControlItems::AddObject(const std::string& s, TObject* object) {
  items_.push_back({s, object});
  appended_ = Count() - 1;
  if (OnChange) OnChange();
  appended_ = -1;
  return Count() - 1;
}

void TControlItems::Insert(int index, const std::string& s) {
  if (index < 0 || index > Count())
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
  items_.insert(items_.begin() + index, Item{s, nullptr});
  Changed();
}

void TControlItems::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
  Changed();
}

void TControlItems::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

void TControlItems::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
  Changed();
}

int TControlItems::IndexOf(const std::string& s) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(items_[static_cast<size_t>(i)].text, s)) return i;
  return -1;
}

const std::string& TControlItems::Strings(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].text;
}

void TControlItems::SetStrings(int index, const std::string& s) {
  CheckIndex(index);
  items_[static_cast<size_t>(index)].text = s;
  Changed();
}

TObject* TControlItems::Objects(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].object;
}

void TControlItems::SetObjects(int index, TObject* object) {
  CheckIndex(index);
  items_[static_cast<size_t>(index)].object = object;
}

void TControlItems::Assign(const TStringList& list) {
  items_.clear();
  for (int i = 0; i < list.Count(); ++i) items_.push_back({list.Strings(i), list.Objects(i)});
  Changed();
}

void TControlItems::Assign(const TControlItems& other) {
  if (&other == this) return;
  items_ = other.items_;
  Changed();
}

// ---- Label ----
TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  auto* widget = new vcl::ControlWidget(this);
  widget->resize(65, 17);
  SetWidget(widget);
  AdjustSize();
}

void TLabel::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  AdjustSize();
}

void TLabel::SetAutoSize(bool on) {
  autoSize_ = on;
  AdjustSize();
}

void TLabel::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Invalidate();
}

void TLabel::SetLayout(TTextLayout layout) {
  layout_ = layout;
  Invalidate();
}

void TLabel::SetTransparent(bool on) {
  transparent_ = on;
  Invalidate();
}

void TLabel::SetWordWrap(bool on) {
  wordWrap_ = on;
  AdjustSize();
}

void TLabel::FontChanged() {
  TControl::FontChanged();
  AdjustSize();
}

// An auto-sized label is as large as its text; a right-aligned one keeps its right edge.
void TLabel::AdjustSize() {
  if (!autoSize_) {
    Invalidate();
    return;
  }
  QSize s = vcl::TextSize(*Font(), Caption(), wordWrap_, Width());
  int width = wordWrap_ ? Width() : s.width();
  int left = alignment_ == taRightJustify && !wordWrap_ ? Left() + Width() - width : Left();
  SetBounds(left, Top(), width, s.height());
  Invalidate();
}

void TLabel::Paint(QPainter& painter) {
  QRect r = Widget()->rect();
  if (!transparent_ && ColorSet()) painter.fillRect(r, vcl::ToQColor(Color()));
  TFont font;
  font.Assign(Font());
  if (!Enabled()) font.SetColor(clGrayText);
  vcl::DrawText(painter, font, r, Caption(), alignment_, layout_, wordWrap_);
}

// ---- Static text ----
TStaticText::TStaticText(TComponent* AOwner) : TWinControl(AOwner) {
  auto* widget = new vcl::ControlWidget(this);
  widget->resize(65, 17);
  SetWidget(widget);
  AdjustSize();
}

void TStaticText::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  AdjustSize();
}

void TStaticText::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Invalidate();
}

void TStaticText::SetBorderStyle(TStaticBorderStyle style) {
  borderStyle_ = style;
  AdjustSize();
}

void TStaticText::SetAutoSize(bool on) {
  autoSize_ = on;
  AdjustSize();
}

void TStaticText::SetTransparent(bool on) {
  transparent_ = on;
  Invalidate();
}

void TStaticText::FontChanged() {
  TControl::FontChanged();
  AdjustSize();
}

// An auto-sized static text is as large as its text; a right-aligned one keeps its right edge.
void TStaticText::AdjustSize() {
  if (autoSize_) {
    int border = borderStyle_ == sbsNone ? 0 : 2;
    QSize s = vcl::TextSize(*Font(), Caption(), false, 0);
    const int width = s.width() + 2 * border;
    const int left = alignment_ == taRightJustify ? Left() + Width() - width : Left();
    SetBounds(left, Top(), width, s.height() + 2 * border);
  }
  Invalidate();
}

void TStaticText::Paint(QPainter& painter) {
  QRect r = Widget()->rect();
  if (!transparent_) painter.fillRect(r, vcl::ToQColor(Color()));
  if (borderStyle_ != sbsNone) {
    painter.setPen(vcl::ToQColor(borderStyle_ == sbsSunken ? clBtnShadow : clWindowFrame));
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    r.adjust(2, 2, -2, -2);
  }
  vcl::DrawText(painter, *Font(), r, Caption(), alignment_, tlTop, false);
}

// ---- Button ----
TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  auto* button = new QPushButton;
  button->resize(75, 25);
  VclInternals::SetClickFromMouse(this, false);
  SetWidget(button);
  SetTabStop(true);
  QObject::connect(button, &QPushButton::clicked, button, [this] { vcl::Guarded([this] { Click(); }); });
}

void TButton::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  static_cast<QPushButton*>(Widget())->setText(vcl::ToQ(caption));
}

void TButton::SetDefault(bool on) {
  default_ = on;
  static_cast<QPushButton*>(Widget())->setDefault(on);
}

void TButton::Click() {
  if (modalResult_ != 0) {
    for (TControl* p = Parent(); p; p = p->Parent())
      if (auto* form = dynamic_cast<TForm*>(p)) {
        form->SetModalResult(modalResult_);
        break;
      }
  }
  TControl::Click();
}

// ---- Edit ----
TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  auto* edit = new QLineEdit;
  edit->resize(121, 21);
  VclInternals::SetClickFromMouse(this, false);
  SetWidget(edit);
  SetTabStop(true);
  SetColor(clWindow);
  QObject::connect(edit, &QLineEdit::textChanged, edit, [this] {
    vcl::Guarded([this] {
      if (OnChange) OnChange(this);
    });
  });
}

std::string TEdit::Caption() const { return vcl::FromQ(static_cast<QLineEdit*>(Widget())->text()); }

void TEdit::SetCaption(const std::string& text) {
  static_cast<QLineEdit*>(Widget())->setText(vcl::ToQ(text));
}

void TEdit::SetBorderStyle(TBorderStyle style) {
  borderStyle_ = style;
  static_cast<QLineEdit*>(Widget())->setFrame(style != bsNone);
}

bool TEdit::ReadOnly() const { return static_cast<QLineEdit*>(Widget())->isReadOnly(); }
void TEdit::SetReadOnly(bool on) { static_cast<QLineEdit*>(Widget())->setReadOnly(on); }
int TEdit::MaxLength() const {
  int n = static_cast<QLineEdit*>(Widget())->maxLength();
  return n == 32767 ? 0 : n;
}
void TEdit::SetMaxLength(int length) {
  static_cast<QLineEdit*>(Widget())->setMaxLength(length <= 0 ? 32767 : length);
}
void TEdit::SelectAll() { static_cast<QLineEdit*>(Widget())->selectAll(); }

void TEdit::SetColor(TColor color) {
  TControl::SetColor(color);
  QPalette pal = Widget()->palette();
  pal.setColor(QPalette::Base, vcl::ToQColor(color));
  Widget()->setPalette(pal);
}

void TEdit::FontChanged() {
  TControl::FontChanged();
  SetColor(Color());
}

// ---- Check box ----
TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  auto* box = new QCheckBox;
  box->resize(97, 17);
  VclInternals::SetClickFromMouse(this, false);
  SetWidget(box);
  SetTabStop(true);
  QObject::connect(box, &QCheckBox::toggled, box, [this](bool) { vcl::Guarded([this] { Click(); }); });
}

void TCheckBox::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  static_cast<QCheckBox*>(Widget())->setText(vcl::ToQ(caption));
}

bool TCheckBox::Checked() const { return static_cast<QCheckBox*>(Widget())->isChecked(); }
void TCheckBox::SetChecked(bool checked) { static_cast<QCheckBox*>(Widget())->setChecked(checked); }

// ---- Radio button ----
TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
  auto* radio = new QRadioButton;
  radio->resize(113, 17);
  VclInternals::SetClickFromMouse(this, false);
  SetWidget(radio);
  SetTabStop(true);
  QObject::connect(radio, &QRadioButton::toggled, radio, [this](bool on) {
    if (on) vcl::Guarded([this] { Click(); });
  });
}

void TRadioButton::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  static_cast<QRadioButton*>(Widget())->setText(vcl::ToQ(caption));
}

bool TRadioButton::Checked() const { return static_cast<QRadioButton*>(Widget())->isChecked(); }

void TRadioButton::SetChecked(bool checked) {
  auto* radio = static_cast<QRadioButton*>(Widget());
  if (checked || !radio->isChecked()) {
    radio->setChecked(checked);
    return;
  }
  // The checked button of an exclusive set can only be cleared with the exclusion off.
  radio->setAutoExclusive(false);
  radio->setChecked(false);
  radio->setAutoExclusive(true);
}

// ---- Group box ----
TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner) {
  auto* box = new QGroupBox;
  box->resize(185, 105);
  SetWidget(box);
}

void TGroupBox::SetCaption(const std::string& caption) {
  TControl::SetCaption(caption);
  static_cast<QGroupBox*>(Widget())->setTitle(vcl::ToQ(caption));
}

// ---- Combo box ----
TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner) {
  auto* combo = new QComboBox;
  combo->resize(145, 21);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  VclInternals::SetClickFromMouse(this, false);
  SetWidget(combo);
  SetTabStop(true);
  items_.OnChange = [this] { SyncItems(); };
  QObject::connect(combo, &QComboBox::activated, combo, [this](int) {
    vcl::Guarded([this] {
      if (OnClick) OnClick(this);
      if (OnSelect)
        OnSelect(this);
      else if (OnChange)
        OnChange(this);
    });
  });
  QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo, [this](const QString&) {
    vcl::Guarded([this] {
      if (OnChange) OnChange(this);
    });
  });
}

TComboBox::~TComboBox() { items_.OnChange = nullptr; }

void TComboBox::SyncItems() {
  auto* combo = static_cast<QComboBox*>(Widget());
  syncing_ = true;
  QSignalBlocker block(combo);
  int appended = VclInternals::AppendedIndex(&items_);
  if (appended >= 0 && appended == combo->count()) {
    int index = combo->currentIndex();
    combo->addItem(vcl::ToQ(items_.Strings(appended)));
    combo->setCurrentIndex(index);  // adding selects nothing
  } else {
    int index = combo->currentIndex();
    QString text = combo->currentText();
    combo->clear();
    for (int i = 0; i < items_.Count(); ++i) combo->addItem(vcl::ToQ(items_.Strings(i)));
    combo->setCurrentIndex(index < items_.Count() ? index : -1);
    if (combo->isEditable()) combo->setEditText(text);
  }
  syncing_ = false;
}

int TComboBox::ItemIndex() const { return static_cast<QComboBox*>(Widget())->currentIndex(); }

void TComboBox::SetItemIndex(int index) {
  auto* combo = static_cast<QComboBox*>(Widget());
  QSignalBlocker block(combo);
  combo->setCurrentIndex(index >= 0 && index < items_.Count() ? index : -1);
  if (combo->currentIndex() < 0 && combo->isEditable()) combo->setEditText(QString());
}

std::string TComboBox::Caption() const {
  return vcl::FromQ(static_cast<QComboBox*>(Widget())->currentText());
}

void TComboBox::SetCaption(const std::string& text) {
  auto* combo = static_cast<QComboBox*>(Widget());
  QSignalBlocker block(combo);
  if (combo->isEditable()) {
    combo->setEditText(vcl::ToQ(text));
  } else {
    combo->setCurrentIndex(items_.IndexOf(text));
  }
}

void TComboBox::SetStyle(TComboBoxStyle style) {
  style_ = style;
  auto* combo = static_cast<QComboBox*>(Widget());
  bool editable = style != csDropDownList;
  if (editable == combo->isEditable()) return;
  QSignalBlocker block(combo);
  combo->setEditable(editable);  // a new line edit each time it becomes editable
  if (editable) {
    combo->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo, [this](const QString&) {
      vcl::Guarded([this] {
        if (OnChange) OnChange(this);
      });
    });
  }
}

int TComboBox::DropDownCount() const { return static_cast<QComboBox*>(Widget())->maxVisibleItems(); }
void TComboBox::SetDropDownCount(int count) { static_cast<QComboBox*>(Widget())->setMaxVisibleItems(count); }

// ---- List box ----
namespace {

// Paints the rows of owner-drawn list boxes through the list box's DrawItem.
class OwnerDrawDelegate : public QStyledItemDelegate {
 public:
  OwnerDrawDelegate(TCustomListBox* box, QObject* parent) : QStyledItemDelegate(parent), box_(box) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (!VclInternals::OwnerDrawn(box_)) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    vcl::Guarded([&] {
      VclInternals::DrawListItem(box_, *painter, index.row(), option.rect,
                                 option.state & QStyle::State_Selected);
    });
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (!VclInternals::OwnerDrawn(box_)) return QStyledItemDelegate::sizeHint(option, index);
    return QSize(option.rect.width(), VclInternals::ItemHeight(box_));
  }

 private:
  TCustomListBox* box_;
};

}  // namespace

TCustomListBox::TCustomListBox(TComponent* AOwner) : TWinControl(AOwner), canvas_(new TCanvas) {
  auto* list = new QListWidget;
  list->resize(121, 97);
  list->setUniformItemSizes(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setItemDelegate(new OwnerDrawDelegate(this, list));
  VclInternals::SetClickFromMouse(this, false);
  SetWidget(list);
  VclInternals::AddInputWidget(this, list->viewport());
  SetTabStop(true);
  SetColor(clWindow);
  items_.OnChange = [this] { SyncItems(); };
  QObject::connect(list, &QListWidget::currentRowChanged, list, [this](int) {
    if (!settingIndex_) vcl::Guarded([this] { Click(); });
  });
}

TCustomListBox::~TCustomListBox() { items_.OnChange = nullptr; }

void TCustomListBox::Click() { TControl::Click(); }

void TCustomListBox::SyncItems() {
  auto* list = static_cast<QListWidget*>(Widget());
  settingIndex_ = true;
  int appended = VclInternals::AppendedIndex(&items_);
  if (appended >= 0 && appended == list->count()) {
    list->addItem(vcl::ToQ(items_.Strings(appended)));
  } else {
    int row = list->currentRow();
    list->clear();
    for (int i = 0; i < items_.Count(); ++i) list->addItem(vcl::ToQ(items_.Strings(i)));
    list->setCurrentRow(row < items_.Count() ? row : -1);
  }
  settingIndex_ = false;
}

int TCustomListBox::ItemIndex() const { return static_cast<QListWidget*>(Widget())->currentRow(); }

void TCustomListBox::SetItemIndex(int index) {
  auto* list = static_cast<QListWidget*>(Widget());
  settingIndex_ = true;
  if (index >= 0 && index < items_.Count()) {
    list->setCurrentRow(index);
  } else {
    list->setCurrentRow(-1);
    list->clearSelection();
  }
  settingIndex_ = false;
}

void TCustomListBox::SetStyle(TListBoxStyle style) {
  style_ = style;
  static_cast<QListWidget*>(Widget())->doItemsLayout();
  Invalidate();
}

void TCustomListBox::SetItemHeight(int height) {
  if (height <= 0) return;
  itemHeight_ = height;
  static_cast<QListWidget*>(Widget())->doItemsLayout();
  Invalidate();
}

int TCustomListBox::TopIndex() const {
  auto* list = static_cast<QListWidget*>(Widget());
  QListWidgetItem* item = list->itemAt(1, 1);
  return item ? list->row(item) : 0;
}

void TCustomListBox::SetTopIndex(int index) {
  auto* list = static_cast<QListWidget*>(Widget());
  if (QListWidgetItem* item = list->item(index)) list->scrollToItem(item, QAbstractItemView::PositionAtTop);
}

void TCustomListBox::SetBorderStyle(TBorderStyle style) {
  borderStyle_ = style;
  static_cast<QListWidget*>(Widget())->setFrameShape(style == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
}

void TCustomListBox::SetColor(TColor color) {
  TControl::SetColor(color);
  QPalette pal = Widget()->palette();
  pal.setColor(QPalette::Base, vcl::ToQColor(color));
  Widget()->setPalette(pal);
}

void TCustomListBox::FontChanged() {
  TControl::FontChanged();
  SetColor(Color());
}

TRect TCustomListBox::ItemRect(int index) const {
  auto* list = static_cast<QListWidget*>(Widget());
  QListWidgetItem* item = list->item(index);
  if (!item) return TRect();
  QRect r = list->visualItemRect(item);
  return TRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
}

int TCustomListBox::ItemAtPos(const TPoint& pos, bool existing) const {
  auto* list = static_cast<QListWidget*>(Widget());
  QListWidgetItem* item = list->itemAt(pos.X, pos.Y);
  if (item) return list->row(item);
  return existing ? -1 : items_.Count();
}

void TCustomListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  canvas_->FillRect(rect);
  if (index >= 0 && index < items_.Count()) canvas_->TextOut(rect.Left + 2, rect.Top, items_.Strings(index));
}

// Prepares the canvas as the class library does (brush and font of the row's state) and draws one row.
void VclInternals::DrawListItem(TCustomListBox* box, QPainter& painter, int index, const QRect& rect,
                                bool selected) {
  TCanvas* canvas = box->canvas_.get();
  TRect r(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1);
  BindCanvas(canvas, &painter, r);
  canvas->Font()->Assign(box->Font());
  canvas->Brush()->SetColor(selected ? clHighlight : box->Color());
  if (selected) canvas->Font()->SetColor(clHighlightText);
  canvas->Pen()->SetColor(box->Font()->Color());
  TOwnerDrawState state = selected ? (odSelected | odFocused) : 0;
  if (!box->Enabled()) state |= odDisabled;
  try {
    box->DrawItem(index, r, state);
  } catch (...) {
    BindCanvas(canvas, nullptr, TRect());
    throw;
  }
  BindCanvas(canvas, nullptr, TRect());
}

// ---- Check list box ----
bool TCheckListBox::Checked(int index) const {
  return index >= 0 && static_cast<size_t>(index) < checked_.size() && checked_[static_cast<size_t>(index)];
}

void TCheckListBox::SetChecked(int index, bool checked) {
  if (index < 0 || index >= Count()) return;
  if (checked_.size() <= static_cast<size_t>(index)) checked_.resize(static_cast<size_t>(index) + 1, false);
  checked_[static_cast<size_t>(index)] = checked;
  Invalidate();
}
