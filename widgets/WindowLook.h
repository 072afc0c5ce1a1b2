// The look both windows share: the dialog font and the button-face background.
#pragma once

#include <QFont>
#include <QWidget>

namespace kovex {

// "MS Sans Serif", 11 pixels high, or the nearest installed face.
QFont FormFont();
// "Courier", 11 pixels high, fixed pitch, or the nearest installed face.
QFont LogFont();
void ApplyFormLook(QWidget& form);

}  // namespace kovex
