#include "tests/support/FakeIde.h"

#include <algorithm>

TAppBuilder::TAppBuilder() {
  setWindowTitle(QStringLiteral("IDE - Project1"));
  setMinimumSize(1, 1);
}

TPropertyInspector::TPropertyInspector() {
  setWindowTitle(QStringLiteral("Object Inspector"));
  setMinimumSize(1, 1);
}

namespace testing_support {

bool FakeServices::AttachNotifier(TIAddInNotifier* n) {
  notifiers.push_back(n);
  return true;
}

bool FakeServices::DetachNotifier(TIAddInNotifier* n) {
  std::erase(notifiers, n);
  return true;
}

void FakeServices::Notify(TFileNotification code, const std::string& file) {
  bool cancel = false;
  for (TIAddInNotifier* n : std::vector<TIAddInNotifier*>(notifiers)) n->HandleNotification(code, file, cancel);
}

FakeIde::FakeIde() : main(new TAppBuilder), inspector(new TPropertyInspector) {
  main->setGeometry(0, 0, 1024, 100);
  inspector->setGeometry(10, 110, 200, 400);
  main->show();
  inspector->show();
  services.parent = MainHandle();
  services.AddRef();  // owned here, never released to zero by the add-in
}

FakeIde::~FakeIde() = default;

platform::HWND FakeIde::MainHandle() const { return platform::HandleOf(main.get()); }
platform::HWND FakeIde::InspectorHandle() const { return platform::HandleOf(inspector.get()); }

platform::Rect FakeIde::MainRect() const {
  platform::Rect r;
  platform::GetWindowRect(MainHandle(), r);
  return r;
}

platform::Rect FakeIde::InspectorRect() const {
  platform::Rect r;
  platform::GetWindowRect(InspectorHandle(), r);
  return r;
}

}  // namespace testing_support
