// A minimal IDE for tests: its two windows and its services object.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "expert/HostIntf.h"
#include "platform/Windows.h"

class TAppBuilder : public QWidget {
  Q_OBJECT
public:
  TAppBuilder();
};

class TPropertyInspector : public QWidget {
  Q_OBJECT
public:
  TPropertyInspector();
};

namespace testing_support {

class FakeServices : public THostServices {
public:
  THostWindow parent = 0;
  std::string project;
  std::vector<TIAddInNotifier*> notifiers;
  std::vector<std::string> errors;

  THostWindow QueryParentWindow() override { return parent; }
  std::string QueryProjectName() override { return project; }
  bool AttachNotifier(TIAddInNotifier* n) override;
  bool DetachNotifier(TIAddInNotifier* n) override;
  void ReportError(const std::string& message) override { errors.push_back(message); }
  // Sends a notification to every attached notifier.
  void Notify(TFileNotification code, const std::string& file);
};

// The IDE's windows at their usual places on a 1024 x 768 screen: the main
// window (0, 0, 1024, 100), the inspector (10, 110, 210, 510).
struct FakeIde {
  FakeIde();
  ~FakeIde();
  std::unique_ptr<TAppBuilder> main;
  std::unique_ptr<TPropertyInspector> inspector;
  FakeServices services;  // parent = the main window
  platform::HWND MainHandle() const;
  platform::HWND InspectorHandle() const;
  platform::Rect MainRect() const;
  platform::Rect InspectorRect() const;
};

}  // namespace testing_support
