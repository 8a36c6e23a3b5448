// The toolkit's standard controls for dialogs: check box, radio group, spin
// edit, plain panel and label.
//
//  * TCheckBox: a check box whose click handler runs whenever its state
//    changes, by the user or by code (SetChecked / SetState), except while the
//    box is loading.  Checked() is true only in the checked state; a greyed box
//    counts as unchecked.
//  * TRadioGroup: a framed group of radio items in Columns columns, filled
//    column by column.  ItemIndex is the selected item (-1: none).  Setting it
//    clamps: below -1 gives -1, past the last item gives the last item.  While
//    loading, the index is only stored and applied (clamped) by Loaded(), so
//    items and index may be given in any order.  A mouse click anywhere on an
//    item's row selects that item, and the click handler runs when the user
//    changes the selection.
//  * TSpinEdit: a number field with up and down arrows over MinValue..MaxValue.
//    SetValue holds the value within the range.  Value() is the number the
//    field holds now as typed (so a typed value outside the range is reported as
//    it stands until the field is left); a text that is not a whole number
//    reports MinValue.  Any whole number can be typed; when the field is left,
//    or Return is pressed in it, a number past the range becomes the nearest
//    end of the range and a text that is not a number becomes MinValue, so the
//    field then shows the value it reports.  While loading, a value is only
//    stored and applied after the range, by Loaded().
//  * TPanel: a container that paints an optional one-pixel bevel and otherwise
//    shows its parent's background.
//  * TLabel: the standard label (see TCustomLabel in toolkit/Graphics.h).
#pragma once

#include <QCheckBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "toolkit/Component.h"
#include "toolkit/Graphics.h"

namespace tk {

// ---- check box ------------------------------------------------------------------

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public QCheckBox, public TComponent {
  Q_OBJECT
public:
  explicit TCheckBox(QWidget* parent = nullptr);

  QString Caption() const { return text(); }
  void SetCaption(const QString& caption) { setText(caption); }
  bool Checked() const { return checkState() == Qt::Checked; }
  void SetChecked(bool on) { SetState(on ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked); }
  TCheckBoxState State() const;
  // Greying by code is always possible.  A user's click moves unchecked to
  // checked (to greyed when AllowGrayed), checked to unchecked and greyed to
  // checked.
  void SetState(TCheckBoxState state);
  bool AllowGrayed() const { return m_allowGrayed; }
  void SetAllowGrayed(bool on) { m_allowGrayed = on; }

  void SetOnClick(TNotifyEvent h) { m_onClick = std::move(h); }

protected:
  void nextCheckState() override;

private:
  void StateChanged();

  TNotifyEvent m_onClick;
  bool m_allowGrayed = false;
};

// ---- radio group ------------------------------------------------------------------

class TRadioGroup : public QWidget, public TComponent {
  Q_OBJECT
public:
  explicit TRadioGroup(QWidget* parent = nullptr);

  QString Caption() const { return m_caption; }
  void SetCaption(const QString& caption);
  QStringList Items() const { return m_items; }
  void SetItems(const QStringList& items);
  // At least 1; values below become 1.
  int Columns() const { return m_columns; }
  void SetColumns(int columns);
  int ItemIndex() const { return m_itemIndex; }
  void SetItemIndex(int index);

  // The radio button of item i (nullptr out of range), and where item i sits
  // in the group's own coordinates.
  QRadioButton* Button(int i) const;
  QRect ItemRect(int i) const;

  void SetOnClick(TNotifyEvent h) { m_onClick = std::move(h); }

  void Loaded() override;

protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

private:
  void RebuildButtons();
  void ArrangeButtons();
  void ApplyIndex();
  void ButtonClicked(int i);

  QString m_caption;
  QStringList m_items;
  int m_columns = 1;
  int m_itemIndex = -1;
  std::vector<QRadioButton*> m_buttons;
  bool m_updating = false;
  TNotifyEvent m_onClick;
};

// ---- spin edit ------------------------------------------------------------------

class TSpinEdit : public QSpinBox, public TComponent {
  Q_OBJECT
public:
  explicit TSpinEdit(QWidget* parent = nullptr);

  int MinValue() const { return m_min; }
  void SetMinValue(int v);
  int MaxValue() const { return m_max; }
  void SetMaxValue(int v);
  int Value() const;
  void SetValue(int v);
  // The field's text; setting it is what typing does (no range is applied).
  QString Text() const { return text(); }
  void SetText(const QString& text);

  void Loaded() override;

protected:
  // Typing: whole numbers of up to nine digits, in range or not.
  QValidator::State validate(QString& input, int& pos) const override;
  // Leaving the field: the text becomes the number Value() holds to the range.
  void fixup(QString& input) const override;

private:
  void ApplyRange();

  int m_min = 0;
  int m_max = 100;
  int m_pendingValue = 0;
};

// ---- panel ------------------------------------------------------------------------

enum class TPanelBevel { bvNone, bvLowered, bvRaised };

class TPanel : public QWidget, public TComponent {
  Q_OBJECT
public:
  explicit TPanel(QWidget* parent = nullptr);

  TPanelBevel BevelOuter() const { return m_bevel; }
  void SetBevelOuter(TPanelBevel bevel);

protected:
  void paintEvent(QPaintEvent* e) override;

private:
  TPanelBevel m_bevel = TPanelBevel::bvRaised;
};

// ---- label ------------------------------------------------------------------------

class TLabel : public TCustomLabel {
  Q_OBJECT
public:
  explicit TLabel(QWidget* parent = nullptr) : TCustomLabel(parent) {}
};

}  // namespace tk
