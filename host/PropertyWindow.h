// The Object Inspector: a free-standing top-level window listing the
// properties (or events) of the selected component in two columns.
//
// The class name is what add-ins look the window up by, so it lives in the
// global namespace.  Like the main window it accepts any size down to 1 x 1.
#pragma once

#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

class QComboBox;
class QTabBar;
class QTableWidget;

class TPropertyInspector : public QWidget {
  Q_OBJECT

public:
  using Properties = std::vector<std::pair<QString, QString>>;

  explicit TPropertyInspector(QWidget* parent = nullptr);

  // Shows a component; an empty name clears the inspector.
  void SetComponent(const QString& name, const QString& className);
  QString ComponentName() const { return m_name; }
  QString ComponentClass() const { return m_class; }

  // The rows on show, name and value, in order.
  Properties Rows() const;

  // The properties and events a component of that class shows.
  static Properties PropertiesOf(const QString& name, const QString& className);
  static Properties EventsOf(const QString& className);

protected:
  void closeEvent(QCloseEvent* e) override;

private:
  void Fill();

  QComboBox* m_selector = nullptr;
  QTabBar* m_pages = nullptr;
  QTableWidget* m_table = nullptr;
  QString m_name;
  QString m_class;
};
