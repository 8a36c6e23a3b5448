#include "controls/CDKROMem.h"

TCDKReadOnlyMemo::TCDKReadOnlyMemo(QWidget* parent) : TCDKMemo(parent) {
  SetAllowCaret(false);
  SetBorderStyle(tk::TFormBorderStyle::bsNone);
  SetColor(tk::clBtnFace);
  SetCtl3D(false);
  SetCursor(tk::crArrow);
  SetParentCtl3D(false);
  SetReadOnly(true);
}
