// TfrmAbout: the About box, captioned "About...".
//
// The product name and version between two frame-strip animations that swing
// back and forth on two timers of their own while the box is open: Timer1
// (every 2000 ms) turns the side animation round and starts it, Timer2 (every
// 1700 ms) does the same for the top one.  A turn that comes while an
// animation still runs reverses it where it stands.  Showing the box starts
// the side animation; hiding or closing it (OK or the close box) stops both
// timers and both animations.
#pragma once

#include "controls/Animate.h"
#include "controls/Rzlabel.h"
#include "toolkit/Buttons.h"
#include "toolkit/Form.h"
#include "toolkit/Timer.h"

class TfrmAbout : public tk::TForm {
  Q_OBJECT
public:
  // owner: the window the box belongs to; nullptr means the application's.
  explicit TfrmAbout(QWidget* owner = nullptr);

  TAnimated* aniTop = nullptr;
  TAnimated* aniSide = nullptr;
  TRzLabel* RzLabel1 = nullptr;
  TRzLabel* RzLabel3 = nullptr;
  tk::TBitBtn* btnOk = nullptr;
  tk::TTimer* Timer1 = nullptr;
  tk::TTimer* Timer2 = nullptr;

  void Timer1Timer();
  void Timer2Timer();
  // Closes the box.
  void btnOkClick();

protected:
  void FormShow() override;
  void hideEvent(QHideEvent* e) override;
};

// Shows the About box, owned by the application's owner window, until it is
// closed; the box is destroyed afterwards, also when showing it throws.
void ShowAboutBox();
