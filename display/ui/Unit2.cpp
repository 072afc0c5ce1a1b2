#include "Unit2.h"

#include "shell/ui/WindowLook.h"

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    setObjectName("Form2");
    setWindowTitle("Form2");
    kovex::ApplyFormLook(*this);
    // Outer size 407 x 335 at 192, 114; the client area is what Qt sizes.
    move(192, 114);
    resize(399, 308);
}
