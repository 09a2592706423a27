// Standard controls: labels, buttons, edits, check and radio buttons, group boxes, combo and list
// boxes, static texts. Conventions: see Controls.h.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/vcl/Controls.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// The item list of a list or combo box: strings, each with an optional object pointer (not owned).
// The control shows every change at once. A bad index raises EStringListError.
class TControlItems {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  int Add(const std::string& s) { return AddObject(s, nullptr); }
  int AddObject(const std::string& s, TObject* object);
  void Insert(int index, const std::string& s);
  void Delete(int index);
  void Clear();
  void Exchange(int index1, int index2);
  int IndexOf(const std::string& s) const;  // ignores ASCII case; -1 when absent
  const std::string& Strings(int index) const;
  void SetStrings(int index, const std::string& s);
  TObject* Objects(int index) const;
  void SetObjects(int index, TObject* object);
  void Assign(const TStringList& list);
  void Assign(const TControlItems& items);
  void BeginUpdate() {}
  void EndUpdate() {}

  std::function<void()> OnChange;  // used by the owning control

 private:
  friend struct VclInternals;
  int appended_ = -1;  // index of the item the last change appended, -1 for any other change
  struct Item {
    std::string text;
    TObject* object = nullptr;
  };
  void CheckIndex(int index) const;
  void Changed();
  std::vector<Item> items_;
};

// A text. With AutoSize (the default) its size follows the text in its font.
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* AOwner);
  void SetCaption(const std::string& caption) override;
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout layout);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);

 protected:
  void Paint(QPainter& painter) override;
  void FontChanged() override;

 private:
  void AdjustSize();
  bool autoSize_ = true;
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool transparent_ = false;
  bool wordWrap_ = false;
};

// A text in a windowed control with an optional border.
enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };
class TStaticText : public TWinControl {
 public:
  explicit TStaticText(TComponent* AOwner);
  void SetCaption(const std::string& caption) override;
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  TStaticBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TStaticBorderStyle style);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);

 protected:
  void Paint(QPainter& painter) override;
  void FontChanged() override;

 private:
  void AdjustSize();
  TAlignment alignment_ = taLeftJustify;
  TStaticBorderStyle borderStyle_ = sbsNone;
  bool autoSize_ = true;
  bool transparent_ = false;
};

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* AOwner);
  void SetCaption(const std::string& caption) override;
  // With a modal result, a click also sets the form's ModalResult.
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  bool Default() const { return default_; }
  void SetDefault(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on) { cancel_ = on; }
  void Click() override;

 private:
  int modalResult_ = 0;
  bool default_ = false;
  bool cancel_ = false;
};

// A one-line text field. Setting Text in code fires OnChange (when the text changes).
class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* AOwner);
  std::string Caption() const override;
  void SetCaption(const std::string& text) override;
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style);
  bool ReadOnly() const;
  void SetReadOnly(bool on);
  int MaxLength() const;
  void SetMaxLength(int length);  // 0: no limit
  void SetColor(TColor color) override;
  void SelectAll();

  TNotifyEvent OnChange;

 protected:
  void FontChanged() override;

 private:
  TBorderStyle borderStyle_ = bsSingle;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// Setting Checked in code fires OnClick when the state changes, as a click does.
class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* AOwner);
  void SetCaption(const std::string& caption) override;
  bool Checked() const;
  void SetChecked(bool checked);
  TCheckBoxState State() const { return Checked() ? cbChecked : cbUnchecked; }
  void SetState(TCheckBoxState state) { SetChecked(state == cbChecked); }
};

// Radio buttons with the same parent exclude each other. Setting Checked to true in code fires
// OnClick when it was not checked, as a click does.
class TRadioButton : public TWinControl {
 public:
  explicit TRadioButton(TComponent* AOwner);
  void SetCaption(const std::string& caption) override;
  bool Checked() const;
  void SetChecked(bool checked);
};

class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TComponent* AOwner);
  void SetCaption(const std::string& caption) override;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

// A drop-down list. OnChange fires when the user picks an item or edits the text, not when
// ItemIndex is set in code.
class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* AOwner);
  ~TComboBox() override;
  TControlItems* Items() { return &items_; }
  int ItemIndex() const;
  void SetItemIndex(int index);          // -1: none
  std::string Caption() const override;  // the shown text
  void SetCaption(const std::string& text) override;
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle style);
  int DropDownCount() const;
  void SetDropDownCount(int count);

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;

 private:
  friend struct VclInternals;
  void SyncItems();
  TControlItems items_;
  TComboBoxStyle style_ = csDropDown;
  bool syncing_ = false;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
enum TOwnerDrawStateFlag : unsigned {
  odSelected = 1,
  odGrayed = 2,
  odDisabled = 4,
  odChecked = 8,
  odFocused = 16,
  odDefault = 32
};
using TOwnerDrawState = unsigned;  // a set of TOwnerDrawStateFlag bits
using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State)>;

// A list of items. With an owner-drawn style every visible item is painted by DrawItem, which calls
// OnDrawItem with the item's rectangle; draw on Canvas(). OnClick fires when the user selects an
// item; setting ItemIndex in code does not fire it.
class TCustomListBox : public TWinControl {
 public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;
  TControlItems* Items() { return &items_; }
  int ItemIndex() const;
  void SetItemIndex(int index);  // -1: none
  int Count() const { return items_.Count(); }
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle style);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int height);
  int TopIndex() const;
  void SetTopIndex(int index);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style);
  void SetColor(TColor color) override;
  TRect ItemRect(int index) const;
  int ItemAtPos(const TPoint& pos, bool existing) const;
  void Clear() { items_.Clear(); }
  TCanvas* Canvas() { return canvas_.get(); }  // for drawing items (valid inside OnDrawItem)
  void Click() override;

  TDrawItemEvent OnDrawItem;

 protected:
  // Draws one item; the default calls OnDrawItem, or fills the rectangle and writes the text.
  virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  void FontChanged() override;

 private:
  friend struct VclInternals;
  void SyncItems();
  TControlItems items_;
  std::unique_ptr<TCanvas> canvas_;
  TListBoxStyle style_ = lbStandard;
  int itemHeight_ = 16;
  bool settingIndex_ = false;
  TBorderStyle borderStyle_ = bsSingle;
};

class TListBox : public TCustomListBox {
 public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

// A list box whose items also carry a check mark (kept, not drawn, in owner-drawn styles).
class TCheckListBox : public TListBox {
 public:
  explicit TCheckListBox(TComponent* AOwner) : TListBox(AOwner) {}
  bool Checked(int index) const;
  void SetChecked(int index, bool checked);

 private:
  std::vector<bool> checked_;
};
