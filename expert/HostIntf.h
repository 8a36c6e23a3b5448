// The host interface: the classes through which the IDE and its add-ins talk.
//
// Both sides compile this header; the host shares no other code with an add-in.
// Each class is an abstract class whose virtual functions ("slots") stand in the
// order given here, unnamed slots included, so that both sides agree on the
// layout of the virtual table.  Text crosses the boundary as 8-bit strings.
//
// An add-in is a shared library exporting one C function,
//   bool INITEXPERT0016(THostServices* services, TExpertRegisterProc registerProc,
//                       TExpertTerminateProc* terminate);
// which the host calls once after loading it (see ExpertEntryPointName).
#pragma once

#include <cstdint>
#include <string>

// A window handle of the platform layer (platform::HWND); 0 is none.
using THostWindow = std::uintptr_t;

// Reference-counted base of every interface object.  A new object holds one
// reference; Release destroys it when the count reaches zero.
class TInterface {
public:
  TInterface() = default;
  TInterface(const TInterface&) = delete;
  TInterface& operator=(const TInterface&) = delete;

  virtual std::int32_t AddRef() { return ++m_refCount; }
  virtual std::int32_t Release() {
    const std::int32_t count = --m_refCount;
    if (count == 0) delete this;
    return count;
  }
  virtual std::int32_t GetVersion() { return 2; }
  // The destroy slot: objects are destroyed only through Release.
  virtual ~TInterface() = default;

  std::int32_t RefCount() const { return m_refCount; }

private:
  std::int32_t m_refCount = 1;
};

enum TExpertStyle : std::uint8_t { esStandard = 0, esForm = 1, esProject = 2, esAddIn = 3 };

// A set of TExpertStateFlag bits.
enum TExpertStateFlag : std::uint8_t { esEnabled = 1u << 0, esChecked = 1u << 1 };
using TExpertState = std::uint8_t;

// An expert: something the IDE shows as a menu entry (esStandard) and runs.
class TIExpert : public TInterface {
public:
  virtual std::string GetName() = 0;
  // Unnamed slot.  Hosts do not call it; an expert that leaves it alone does nothing.
  virtual void ReservedSlot1() {}
  virtual std::string GetComment() = 0;
  virtual void ReservedSlot2() {}
  virtual void ReservedSlot3() {}
  virtual TExpertStyle GetStyle() = 0;
  virtual TExpertState GetState() = 0;
  virtual std::string GetIDString() = 0;
  virtual std::string GetMenuText() = 0;
  virtual void Execute() = 0;
};

// Notification codes of HandleNotification (an 8-bit enumeration).  The host
// may send others; add-ins ignore what they do not know.
using TFileNotification = std::uint8_t;
constexpr TFileNotification fnProjectClosing = 5;       // file: the project
constexpr TFileNotification fnDefaultDesktopLoad = 8;   // file: the default desktop
constexpr TFileNotification fnDefaultDesktopSave = 9;   // file: the default desktop
constexpr TFileNotification fnProjectDesktopLoad = 10;  // file: the project's desktop
constexpr TFileNotification fnProjectDesktopSave = 11;  // file: the project's desktop

// Receives the host's file notifications while attached.
class TIAddInNotifier : public TInterface {
public:
  // cancel is in-out; a notifier may set it to ask the host not to go on.
  virtual void HandleNotification(TFileNotification code, const std::string& fileName, bool& cancel) = 0;
};

// The host's services, in the order of the host's table.
class THostServices : public TInterface {
public:
  // The IDE's main window, owner of the add-in's windows.
  virtual THostWindow QueryParentWindow() = 0;
  // The open project's name, empty when no project is open.
  virtual std::string QueryProjectName() = 0;
  virtual bool AttachNotifier(TIAddInNotifier* notifier) = 0;
  virtual bool DetachNotifier(TIAddInNotifier* notifier) = 0;
  // Shows an error text to the user.
  virtual void ReportError(const std::string& message) = 0;
};

using TExpertRegisterProc = bool (*)(TIExpert* expert);
using TExpertTerminateProc = void (*)();
using TExpertInitProc = bool (*)(THostServices* services, TExpertRegisterProc registerProc,
                                 TExpertTerminateProc* terminate);

constexpr const char* ExpertEntryPointName = "INITEXPERT0016";
