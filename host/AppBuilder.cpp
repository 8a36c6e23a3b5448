#include "host/AppBuilder.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct PaletteEntry {
  const char* className;
  const char* face;  // a short picture in text
};

const PaletteEntry kPalette[] = {
    {"TMainMenu", "\u2630"}, {"TPopupMenu", "\u25a4"}, {"TLabel", "A"},
    {"TEdit", "ab|"},        {"TMemo", "\u2261"},      {"TButton", "OK"},
    {"TCheckBox", "\u2611"}, {"TRadioButton", "\u25c9"}, {"TListBox", "\u2630\u25be"},
    {"TComboBox", "ab\u25be"}, {"TScrollBar", "\u21d5"}, {"TGroupBox", "[xy]"},
    {"TRadioGroup", "\u25c9\u25c9"}, {"TPanel", "\u25ad"},
};

QToolButton* SmallButton(const QString& text, const QString& tip, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setText(text);
  b->setToolTip(tip);
  b->setAutoRaise(true);
  b->setFixedSize(28, 28);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

}  // namespace

const QStringList& TAppBuilder::PaletteClasses() {
  static const QStringList names = [] {
    QStringList l;
    for (const auto& e : kPalette) l << QString::fromLatin1(e.className);
    return l;
  }();
  return names;
}

TAppBuilder::TAppBuilder(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("AppBuilder"));
  SetProjectTitle(QString());

  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->setObjectName(QStringLiteral("mnuFile"));
  file->addAction(tr("&New Project"), this, &TAppBuilder::newProjectRequested);
  file->addAction(tr("&Open Project..."), this, &TAppBuilder::openProjectRequested);
  m_saveDesktop = file->addAction(tr("&Save Desktop"), this, &TAppBuilder::saveDesktopRequested);
  m_closeProject = file->addAction(tr("&Close Project"), this, &TAppBuilder::closeProjectRequested);
  file->addSeparator();
  file->addAction(tr("E&xit"), this, &TAppBuilder::exitRequested);
  m_tools = menuBar()->addMenu(tr("&Tools"));
  m_tools->setObjectName(QStringLiteral("mnuTools"));

  auto* central = new QWidget(this);
  auto* row = new QHBoxLayout(central);
  row->setContentsMargins(2, 1, 2, 1);
  row->setSpacing(4);
  row->addWidget(BuildSpeedBar());
  auto* line = new QFrame(central);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  row->addWidget(line);
  row->addWidget(BuildPalette(), 1);
  setCentralWidget(central);

  // Add-ins place this window anywhere, at any size.
  setMinimumSize(1, 1);
}

QWidget* TAppBuilder::BuildSpeedBar() {
  auto* bar = new QWidget(this);
  bar->setObjectName(QStringLiteral("SpeedBar"));
  auto* grid = new QGridLayout(bar);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(1);
  QToolButton* newB = SmallButton(QStringLiteral("\u2750"), tr("New Project"), bar);
  QToolButton* openB = SmallButton(QStringLiteral("\u25a2\u2197"), tr("Open Project"), bar);
  QToolButton* saveB = SmallButton(QStringLiteral("\u25a3"), tr("Save Desktop"), bar);
  QToolButton* closeB = SmallButton(QStringLiteral("\u2716"), tr("Close Project"), bar);
  connect(newB, &QToolButton::clicked, this, &TAppBuilder::newProjectRequested);
  connect(openB, &QToolButton::clicked, this, &TAppBuilder::openProjectRequested);
  connect(saveB, &QToolButton::clicked, this, &TAppBuilder::saveDesktopRequested);
  connect(closeB, &QToolButton::clicked, this, &TAppBuilder::closeProjectRequested);
  int column = 0;
  for (QToolButton* b : {newB, openB, saveB, closeB}) grid->addWidget(b, 0, column++);
  // The stand-in compiles and runs nothing: these are for the look.
  column = 0;
  for (const char* face : {"\u25b6", "\u2016", "\u21b7", "\u21b4"}) {
    QToolButton* b = SmallButton(QString::fromUtf8(face), QString(), bar);
    b->setEnabled(false);
    grid->addWidget(b, 1, column++);
  }
  return bar;
}

QWidget* TAppBuilder::BuildPalette() {
  auto* palette = new QWidget(this);
  palette->setObjectName(QStringLiteral("ComponentPalette"));
  auto* col = new QVBoxLayout(palette);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(0);
  auto* tabs = new QTabBar(palette);
  tabs->setObjectName(QStringLiteral("PaletteTabs"));
  tabs->setFocusPolicy(Qt::NoFocus);
  tabs->setDrawBase(false);
  tabs->setExpanding(false);
  for (const char* page : {"Standard", "Additional", "System", "Data", "Dialogs"})
    tabs->addTab(tr(page));
  col->addWidget(tabs);

  auto* strip = new QWidget(palette);
  auto* buttons = new QHBoxLayout(strip);
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->setSpacing(1);
  m_paletteGroup = new QButtonGroup(this);
  m_paletteGroup->setExclusive(false);
  int id = 0;
  for (const auto& e : kPalette) {
    QToolButton* b = SmallButton(QString::fromUtf8(e.face), QString::fromLatin1(e.className), strip);
    b->setObjectName(QStringLiteral("pal") + QString::fromLatin1(e.className).mid(1));
    m_paletteGroup->addButton(b, id++);
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  connect(m_paletteGroup, &QButtonGroup::idClicked, this,
          [this](int i) { emit componentChosen(PaletteClasses().value(i)); });
  // Only the first page has components in the stand-in; the others are empty.
  connect(tabs, &QTabBar::currentChanged, strip, [strip](int page) {
    for (QObject* o : strip->children())
      if (auto* b = qobject_cast<QToolButton*>(o)) b->setVisible(page == 0);
  });
  col->addWidget(strip);
  return palette;
}

void TAppBuilder::SetProjectTitle(const QString& projectName) {
  setWindowTitle(projectName.isEmpty() ? QStringLiteral("ide-host")
                                       : QStringLiteral("ide-host - ") + projectName);
}

void TAppBuilder::closeEvent(QCloseEvent* e) {
  // Closing the main window ends the IDE; the host shuts down in order.
  e->ignore();
  emit exitRequested();
}
