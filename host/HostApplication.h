// The stand-in IDE's application object: a QApplication that counts how deeply
// event deliveries are nested, so that the script runner can tell the top of
// an event loop from the inside of a handler that pumps events itself (a
// window slide processes messages between its steps).
#pragma once

#include <QApplication>

namespace host {

class HostApplication : public QApplication {
public:
  HostApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  // How many event deliveries are running on the GUI thread, the one asking
  // included; 0 when the application is not a HostApplication.
  static int DeliveryDepth();
};

}  // namespace host
