// TCDKReadOnlyMemo: a TCDKMemo that looks like part of its dialog's face.
//
// It differs from TCDKMemo only in its defaults: AllowCaret false, no border,
// the button-face background (clBtnFace), Ctl3D false, the arrow cursor,
// ParentCtl3D false and read-only.  Everything else, TabStop included, is the
// memo's.
#pragma once

#include "controls/CDKMemo.h"

class TCDKReadOnlyMemo : public TCDKMemo {
  Q_OBJECT
public:
  explicit TCDKReadOnlyMemo(QWidget* parent = nullptr);
};
