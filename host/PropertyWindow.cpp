#include "host/PropertyWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

TPropertyInspector::TPropertyInspector(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("PropertyInspector"));
  setWindowTitle(QStringLiteral("Object Inspector"));
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(2, 2, 2, 2);
  col->setSpacing(2);
  m_selector = new QComboBox(this);
  m_selector->setObjectName(QStringLiteral("cbComponents"));
  col->addWidget(m_selector);
  m_pages = new QTabBar(this);
  m_pages->setObjectName(QStringLiteral("tabPages"));
  m_pages->addTab(tr("Properties"));
  m_pages->addTab(tr("Events"));
  m_pages->setExpanding(true);
  col->addWidget(m_pages);
  m_table = new QTableWidget(0, 2, this);
  m_table->setObjectName(QStringLiteral("gridProperties"));
  m_table->horizontalHeader()->hide();
  m_table->verticalHeader()->hide();
  m_table->horizontalHeader()->setStretchLastSection(true);
  m_table->verticalHeader()->setDefaultSectionSize(18);
  m_table->setColumnWidth(0, 90);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  col->addWidget(m_table, 1);
  connect(m_pages, &QTabBar::currentChanged, this, [this] { Fill(); });
  // Add-ins place this window anywhere, at any size.
  setMinimumSize(1, 1);
  Fill();
}

void TPropertyInspector::SetComponent(const QString& name, const QString& className) {
  m_name = name;
  m_class = className;
  m_selector->clear();
  if (!name.isEmpty()) m_selector->addItem(name + QStringLiteral(": ") + className);
  Fill();
}

TPropertyInspector::Properties TPropertyInspector::PropertiesOf(const QString& name,
                                                               const QString& className) {
  if (name.isEmpty()) return {};
  Properties p;
  const bool isForm = className.startsWith(QStringLiteral("TForm"));
  if (isForm) {
    p = {{"ActiveControl", ""},   {"AutoScroll", "True"}, {"BorderStyle", "bsSizeable"},
         {"Caption", name},       {"ClientHeight", "273"}, {"ClientWidth", "427"},
         {"Color", "clBtnFace"},  {"Font", "(TFont)"},    {"FormStyle", "fsNormal"},
         {"Height", "300"},       {"Left", "200"},        {"Menu", ""},
         {"Name", name},          {"Position", "poDesigned"}, {"Top", "108"},
         {"Visible", "False"},    {"Width", "435"},       {"WindowState", "wsNormal"}};
  } else {
    p = {{"Align", "alNone"}, {"Enabled", "True"}, {"Font", "(TFont)"}, {"Height", "25"},
         {"Hint", ""},        {"Left", "8"},       {"Name", name},      {"ShowHint", "False"},
         {"TabOrder", "0"},   {"Tag", "0"},        {"Top", "8"},        {"Visible", "True"},
         {"Width", "75"}};
    if (className != QStringLiteral("TEdit") && className != QStringLiteral("TMemo") &&
        className != QStringLiteral("TListBox") && className != QStringLiteral("TScrollBar"))
      p.insert(p.begin() + 1, {"Caption", name});
  }
  return p;
}

TPropertyInspector::Properties TPropertyInspector::EventsOf(const QString& className) {
  if (className.isEmpty()) return {};
  if (className.startsWith(QStringLiteral("TForm")))
    return {{"OnActivate", ""}, {"OnClose", ""}, {"OnCreate", ""}, {"OnDestroy", ""},
            {"OnPaint", ""},    {"OnResize", ""}, {"OnShow", ""}};
  return {{"OnClick", ""}, {"OnDblClick", ""}, {"OnEnter", ""}, {"OnExit", ""},
          {"OnKeyDown", ""}, {"OnMouseDown", ""}};
}

void TPropertyInspector::Fill() {
  const Properties rows = m_pages->currentIndex() == 1 ? EventsOf(m_class) : PropertiesOf(m_name, m_class);
  m_table->setRowCount(int(rows.size()));
  for (int i = 0; i < int(rows.size()); ++i) {
    m_table->setItem(i, 0, new QTableWidgetItem(rows[i].first));
    m_table->setItem(i, 1, new QTableWidgetItem(rows[i].second));
  }
}

TPropertyInspector::Properties TPropertyInspector::Rows() const {
  Properties out;
  for (int i = 0; i < m_table->rowCount(); ++i)
    out.emplace_back(m_table->item(i, 0)->text(), m_table->item(i, 1)->text());
  return out;
}

void TPropertyInspector::closeEvent(QCloseEvent* e) {
  // The inspector belongs to the IDE: closing only hides it until the next
  // project is opened.
  e->accept();
  hide();
}
