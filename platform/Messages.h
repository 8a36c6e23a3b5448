// The message hub: posted and sent messages, the application's activation, and
// the order of this process's top-level windows.
//
// The façade's message calls (PostMessage, SendMessage, ProcessMessages,
// IsApplicationActive, SetApplicationActive; see platform/Windows.h) are
// implemented here.  This header adds what the rest of the platform layer needs
// from the hub; the add-in does not call it.
//
// The hub is one QObject that lives on the GUI thread from the moment the
// application object is constructed until it is destroyed.  It watches every
// widget's Show and Destroy through an application event filter, so that the
// order of top-level windows is complete from the first window on.
#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

namespace platform {

// This process's top-level widgets in the order this layer has seen them shown
// and raised, topmost first.  Hidden windows stay in the list (where they were
// when last shown); destroyed ones leave it.  Costs one pass over the top-level
// windows, never over all widgets.  Empty without an application.
std::vector<QWidget*> HubWindowOrder();

// Puts a shown top-level widget at the top of that order.
void HubRaise(QWidget* w);

// Forwards Qt's application-state changes to SetApplicationActive from now on,
// for the platforms whose window system tells Qt about activation.  Repeating
// the call has no further effect.
void FollowQtApplicationState();

}  // namespace platform
