// TfrmOops: the add-in's message dialog, captioned "Oops!".
//
// A short text beside a picture, with an OK button.  The dialog stays on top of
// every other window, has no close box (OK closes it) and opens at the centre
// of the screen.  Its text lives in `memo`, a read-only memo whose lines are
// centred; whoever shows the dialog fills it first.
#pragma once

#include <QString>

#include "controls/CDKROMem.h"
#include "toolkit/Buttons.h"
#include "toolkit/Form.h"
#include "toolkit/Graphics.h"

class TfrmOops : public tk::TForm {
  Q_OBJECT
public:
  // owner: the window the dialog belongs to (see tk::TForm).
  explicit TfrmOops(QWidget* owner = nullptr);

  tk::TImage* Image1 = nullptr;
  TCDKReadOnlyMemo* memo = nullptr;
  tk::TBitBtn* btnOk = nullptr;

  // Closes the dialog.
  void btnOkClick();
};

// Shows `text` in a message dialog owned by `owner`: line breaks ("\r\n", "\n"
// or "\r") start new lines.  Returns when the dialog is closed, with its modal
// result; the dialog is destroyed afterwards, also when showing it throws.
int ShowOopsDialog(QWidget* owner, const QString& text);
