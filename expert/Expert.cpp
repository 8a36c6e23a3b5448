#include "expert/Expert.h"

#include <dlfcn.h>

#include <exception>
#include <filesystem>

#include "engine/Geometry.h"
#include "engine/Hook.h"
#include "engine/Tracking.h"
#include "expert/Product.h"
#include "forms/main.h"
#include "platform/Help.h"
#include "settings/EasyINI.h"
#include "settings/Settings.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"

THostServices* HostServices = nullptr;
TAddInNotifier* AddInNotifier = nullptr;
bool PanelCreated = false;

namespace {

// The folder of the library this code is in: the help file is installed there.
std::string OwnFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&TerminateExpert), &info) == 0 || !info.dli_fname) return {};
  return std::filesystem::path(info.dli_fname).parent_path().string();
}

template <typename F>
auto Trapped(F&& body, decltype(body()) fallback) -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    HandleExpertException();
    return fallback;
  }
}

}  // namespace

std::string TEdgetuckerExpert::GetName() {
  return Trapped([] { return std::string(ProductCaption); }, std::string());
}

std::string TEdgetuckerExpert::GetComment() {
  return Trapped([] { return std::string(ExpertComment); }, std::string());
}

TExpertStyle TEdgetuckerExpert::GetStyle() {
  return Trapped([] { return esStandard; }, esStandard);
}

TExpertState TEdgetuckerExpert::GetState() {
  return Trapped([] { return TExpertState{esEnabled}; }, TExpertState{esEnabled});
}

std::string TEdgetuckerExpert::GetIDString() {
  return Trapped([] { return std::string(ExpertIDString); }, std::string());
}

std::string TEdgetuckerExpert::GetMenuText() {
  return Trapped([] { return std::string(ProductCaption); }, std::string());
}

void TEdgetuckerExpert::Execute() {
  try {
    ShowControlPanel(HostServices);
  } catch (...) {
    HandleExpertException();
  }
}

void TAddInNotifier::HandleNotification(TFileNotification code, const std::string& fileName, bool&) {
  if (!frmMain) return;
  switch (code) {
    case fnProjectClosing:
      frmMain->btnStopClick();
      break;
    case fnDefaultDesktopLoad:
    case fnProjectDesktopLoad:
      DesktopLoaded(fileName);
      break;
    case fnProjectDesktopSave:
      RestoreWindows();
      break;
    default:
      break;
  }
}

void ShowControlPanel(THostServices* services) {
  PanelServices = services;
  // A panel destroyed behind our back (a close keystroke) is simply made anew;
  // it is shown like the panel it replaces.
  const bool firstTime = !PanelCreated;
  if (!frmMain) {
    frmMain = new TfrmMain(tk::Application().OwnerWidget());
    // Shown once and hidden at once, so its window exists for the hook.
    frmMain->show();
    frmMain->hide();
    PanelCreated = true;
  }
  if (!firstTime) {
    frmMain->show();
    platform::BringWindowToTop(frmMain->Handle());
  }
  MainWindow = platform::FindWindow(MainWindowClass, nullptr);
  InspectorWindow = platform::FindWindow(InspectorClass, nullptr);
  if (!MainWindow) {
    tk::ShowMessageBox(QString::fromLatin1(NoMainWindowText));
    return;
  }
  LoadSettings();
}

void DesktopLoaded(const std::string& fileName) {
  if (!frmMain) return;
  frmMain->iniProj->SetFileName(fileName);
  ComputeHideGeometry();
  if (!Settings.AutoStart) return;
  if (!Settings.HideMainWindow && !Settings.HideInspector) return;
  const std::size_t cut = fileName.find_last_of("/\\:");
  std::string name = cut == std::string::npos ? fileName : fileName.substr(cut + 1);
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (name == DefaultDesktopName) return;
  frmMain->btnStartClick();
}

void TerminateExpert() {
  try {
    if (AddInNotifier) {
      if (HostServices) HostServices->DetachNotifier(AddInNotifier);
      AddInNotifier->Release();
      AddInNotifier = nullptr;
    }
    // The IDE saves its windows where they stand after this call: home.
    if (HidingRuns())
      StopHiding();
    else
      StopWatching();
    if (PanelCreated && frmMain) {
      frmMain->Close();
      // The IDE unloads the library right after this call: a panel left for
      // deferred deletion would be destroyed by code that is gone.
      delete frmMain.data();
    }
    PanelCreated = false;
  } catch (...) {
    HandleExpertException();
  }
}

void HandleExpertException() {
  std::string message;
  try {
    throw;
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "Unknown exception";
  }
  if (HostServices) HostServices->ReportError(message);
}

extern "C" bool INITEXPERT0016(THostServices* services, TExpertRegisterProc registerProc,
                               TExpertTerminateProc* terminate) {
  if (HostServices) return false;
  if (!services) return false;
  HostServices = services;
  tk::Application().SetHandle(static_cast<platform::HWND>(services->QueryParentWindow()));
  tk::Application().SetTitle(QString::fromLatin1(ProductCaption));
  platform::SetHelpSearchFolder(OwnFolder());
  if (terminate) *terminate = &TerminateExpert;
  auto* expert = new TEdgetuckerExpert;
  if (registerProc) registerProc(expert);
  AddInNotifier = new TAddInNotifier;
  services->AttachNotifier(AddInNotifier);
  ShowControlPanel(HostServices);
  return true;
}

void ResetExpertState() {
  delete frmMain.data();
  if (AddInNotifier) AddInNotifier->Release();
  AddInNotifier = nullptr;
  HostServices = PanelServices = nullptr;
  PanelCreated = false;
  tk::Application().SetHandle(0);
  ResetEngineState();
}
