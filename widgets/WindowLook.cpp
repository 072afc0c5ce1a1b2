#include "widgets/WindowLook.h"

#include <QPalette>

namespace kovex {

QFont FormFont() {
    QFont font;
    font.setFamilies({"MS Sans Serif", "Liberation Sans", "DejaVu Sans"});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

QFont LogFont() {
    QFont font;
    font.setFamilies({"Courier", "Liberation Mono", "Nimbus Mono PS", "DejaVu Sans Mono"});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(11);
    return font;
}

void ApplyFormLook(QWidget& form) {
    form.setFont(FormFont());
    QPalette palette = form.palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    form.setPalette(palette);
    form.setAutoFillBackground(true);
}

}  // namespace kovex
