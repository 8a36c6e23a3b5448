#include "toolkit/StdCtrls.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <optional>

namespace tk {

// ---- check box ------------------------------------------------------------------

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent) {
  connect(this, &QCheckBox::stateChanged, this, [this] { StateChanged(); });
}

TCheckBoxState TCheckBox::State() const {
  switch (checkState()) {
    case Qt::Checked:
      return TCheckBoxState::cbChecked;
    case Qt::PartiallyChecked:
      return TCheckBoxState::cbGrayed;
    default:
      return TCheckBoxState::cbUnchecked;
  }
}

void TCheckBox::SetState(TCheckBoxState state) {
  setCheckState(state == TCheckBoxState::cbChecked  ? Qt::Checked
                : state == TCheckBoxState::cbGrayed ? Qt::PartiallyChecked
                                                    : Qt::Unchecked);
}

void TCheckBox::nextCheckState() {
  switch (State()) {
    case TCheckBoxState::cbUnchecked:
      SetState(m_allowGrayed ? TCheckBoxState::cbGrayed : TCheckBoxState::cbChecked);
      break;
    case TCheckBoxState::cbChecked:
      SetState(TCheckBoxState::cbUnchecked);
      break;
    case TCheckBoxState::cbGrayed:
      SetState(TCheckBoxState::cbChecked);
      break;
  }
}

void TCheckBox::StateChanged() {
  if (!IsLoading() && m_onClick) m_onClick(this);
}

// ---- radio group ------------------------------------------------------------------

TRadioGroup::TRadioGroup(QWidget* parent) : QWidget(parent) {}

void TRadioGroup::SetCaption(const QString& caption) {
  if (caption == m_caption) return;
  m_caption = caption;
  update();
}

void TRadioGroup::SetItems(const QStringList& items) {
  if (items == m_items) return;
  m_items = items;
  RebuildButtons();
  if (!IsLoading()) SetItemIndex(m_itemIndex);
}

void TRadioGroup::SetColumns(int columns) {
  columns = std::max(1, columns);
  if (columns == m_columns) return;
  m_columns = columns;
  ArrangeButtons();
}

void TRadioGroup::SetItemIndex(int index) {
  if (IsLoading()) {
    m_itemIndex = index;
    return;
  }
  const int count = static_cast<int>(m_buttons.size());
  m_itemIndex = std::clamp(index, -1, count - 1);
  ApplyIndex();
}

void TRadioGroup::Loaded() {
  TComponent::Loaded();
  SetItemIndex(m_itemIndex);
}

QRadioButton* TRadioGroup::Button(int i) const {
  return i >= 0 && i < static_cast<int>(m_buttons.size()) ? m_buttons[std::size_t(i)] : nullptr;
}

QRect TRadioGroup::ItemRect(int i) const {
  const int count = static_cast<int>(m_items.size());
  if (i < 0 || i >= count) return {};
  // Items fill the columns top to bottom; the rows share what is left below
  // the caption line (the caption's height plus 5 pixels of frame), and the
  // rounding remainder is split above and below them.  8 pixels of frame and
  // indent on the left, 2 on the right.
  const int perColumn = (count + m_columns - 1) / m_columns;
  const int columnWidth = (width() - 10) / m_columns;
  const int textHeight = fontMetrics().height();
  const int rows = std::max(0, height() - textHeight - 5);
  const int rowHeight = rows / perColumn;
  const int top = textHeight + 1 + (rows % perColumn) / 2;
  return QRect(8 + (i / perColumn) * columnWidth, top + (i % perColumn) * rowHeight, columnWidth, rowHeight);
}

void TRadioGroup::RebuildButtons() {
  for (QRadioButton* b : m_buttons) delete b;
  m_buttons.clear();
  for (int i = 0; i < m_items.size(); ++i) {
    auto* b = new QRadioButton(m_items[i], this);
    // Exclusivity is the group's: Qt's own would refuse to clear the last
    // checked item when the index becomes -1.
    b->setAutoExclusive(false);
    connect(b, &QAbstractButton::clicked, this, [this, i] { ButtonClicked(i); });
    b->show();
    m_buttons.push_back(b);
  }
  ArrangeButtons();
}

void TRadioGroup::ArrangeButtons() {
  for (int i = 0; i < static_cast<int>(m_buttons.size()); ++i) m_buttons[std::size_t(i)]->setGeometry(ItemRect(i));
}

void TRadioGroup::ApplyIndex() {
  m_updating = true;
  for (int i = 0; i < static_cast<int>(m_buttons.size()); ++i) m_buttons[std::size_t(i)]->setChecked(i == m_itemIndex);
  m_updating = false;
}

void TRadioGroup::ButtonClicked(int i) {
  if (m_updating) return;
  const bool changed = i != m_itemIndex;
  m_itemIndex = i;
  ApplyIndex();  // a click on the selected item must not clear it
  if (changed && m_onClick) m_onClick(this);
}

void TRadioGroup::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // An etched frame whose top edge runs through the middle of the caption: a
  // shadow line with a highlight line one pixel down and to the right.
  const int textHeight = fontMetrics().height();
  QRect shadow(0, textHeight / 2, width() - 1, height() - textHeight / 2 - 1);
  QRect highlight = shadow.translated(1, 1);
  Frame3D(p, shadow, 1, ColorToQColor(clBtnShadow), ColorToQColor(clBtnShadow));
  Frame3D(p, highlight, 1, ColorToQColor(clBtnHighlight), ColorToQColor(clBtnHighlight));
  if (!m_caption.isEmpty()) {
    const int w = fontMetrics().horizontalAdvance(m_caption);
    const QRect text(8, 0, std::min(w + 2, width() - 10), textHeight);
    p.fillRect(text, palette().color(backgroundRole()));
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(text.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, m_caption);
  }
}

void TRadioGroup::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  ArrangeButtons();
}

void TRadioGroup::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::FontChange) ArrangeButtons();
}

void TRadioGroup::mouseReleaseEvent(QMouseEvent* e) {
  // A click that reaches the group itself (beside an item's text, or sent to
  // the group by a test or script) selects the item whose row holds it.
  if (e->button() == Qt::LeftButton && isEnabled()) {
    for (int i = 0; i < static_cast<int>(m_buttons.size()); ++i) {
      if (ItemRect(i).contains(e->position().toPoint())) {
        m_buttons[std::size_t(i)]->click();
        return;
      }
    }
  }
  QWidget::mouseReleaseEvent(e);
}

// ---- spin edit ------------------------------------------------------------------

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) { ApplyRange(); }

void TSpinEdit::SetMinValue(int v) {
  m_min = v;
  if (!IsLoading()) ApplyRange();
}

void TSpinEdit::SetMaxValue(int v) {
  m_max = v;
  if (!IsLoading()) ApplyRange();
}

void TSpinEdit::ApplyRange() { setRange(m_min, std::max(m_min, m_max)); }

namespace {

// The whole number a spin edit's text holds; nullopt for any other text.
std::optional<int> WholeNumber(const QString& text) {
  const QByteArray bytes = text.trimmed().toLatin1();
  const char* first = bytes.constData();
  const char* last = first + bytes.size();
  if (first != last && *first == '+') ++first;
  int v = 0;
  const auto [end, ec] = std::from_chars(first, last, v);
  if (first == last || ec != std::errc() || end != last) return std::nullopt;
  return v;
}

}  // namespace

int TSpinEdit::Value() const {
  if (IsLoading()) return m_pendingValue;
  return WholeNumber(cleanText()).value_or(m_min);
}

QValidator::State TSpinEdit::validate(QString& input, int&) const {
  const QString t = input.trimmed();
  if (t.isEmpty() || t == QLatin1String("-") || t == QLatin1String("+")) return QValidator::Intermediate;
  // Nine digits always fit an int, so every number typed is one Value() reads.
  static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]{1,9}$"));
  if (!number.match(t).hasMatch()) return QValidator::Invalid;
  const int v = *WholeNumber(t);
  return v >= m_min && v <= std::max(m_min, m_max) ? QValidator::Acceptable : QValidator::Intermediate;
}

void TSpinEdit::fixup(QString& input) const {
  const int v = WholeNumber(input).value_or(m_min);
  input = QString::number(std::clamp(v, m_min, std::max(m_min, m_max)));
}

void TSpinEdit::SetValue(int v) {
  if (IsLoading()) {
    m_pendingValue = v;
    return;
  }
  setValue(std::clamp(v, m_min, std::max(m_min, m_max)));
}

void TSpinEdit::SetText(const QString& text) { lineEdit()->setText(text); }

void TSpinEdit::Loaded() {
  TComponent::Loaded();
  ApplyRange();
  SetValue(m_pendingValue);
}

// ---- panel ------------------------------------------------------------------------

TPanel::TPanel(QWidget* parent) : QWidget(parent) {}

void TPanel::SetBevelOuter(TPanelBevel bevel) {
  if (bevel == m_bevel) return;
  m_bevel = bevel;
  update();
}

void TPanel::paintEvent(QPaintEvent*) {
  if (m_bevel == TPanelBevel::bvNone) return;
  QPainter p(this);
  const QColor light = ColorToQColor(clBtnHighlight);
  const QColor dark = ColorToQColor(clBtnShadow);
  QRect r = rect();
  if (m_bevel == TPanelBevel::bvRaised)
    Frame3D(p, r, 1, light, dark);
  else
    Frame3D(p, r, 1, dark, light);
}

}  // namespace tk
