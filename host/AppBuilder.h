// The IDE's main window: a band across the top of the screen with the menu
// bar, a speed bar and the component palette.
//
// The class name is what add-ins look the window up by, so it lives in the
// global namespace.  The window accepts any size down to 1 x 1 pixel, because
// add-ins move it to arbitrary rectangles, partly or wholly off the screen.
#pragma once

#include <QMainWindow>
#include <QString>

class QAction;
class QButtonGroup;
class QMenu;

class TAppBuilder : public QMainWindow {
  Q_OBJECT

public:
  explicit TAppBuilder(QWidget* parent = nullptr);

  // Shows "ide-host" alone, or followed by the project's name.
  void SetProjectTitle(const QString& projectName);

  QMenu* ToolsMenu() const { return m_tools; }
  QAction* SaveDesktopAction() const { return m_saveDesktop; }
  QAction* CloseProjectAction() const { return m_closeProject; }

  // The palette's component classes, in palette order.
  static const QStringList& PaletteClasses();

signals:
  void newProjectRequested();
  void openProjectRequested();
  void saveDesktopRequested();
  void closeProjectRequested();
  void exitRequested();
  // The user picked a component class on the palette.
  void componentChosen(const QString& className);

protected:
  void closeEvent(QCloseEvent* e) override;

private:
  QWidget* BuildSpeedBar();
  QWidget* BuildPalette();

  QMenu* m_tools = nullptr;
  QAction* m_saveDesktop = nullptr;
  QAction* m_closeProject = nullptr;
  QButtonGroup* m_paletteGroup = nullptr;
};
