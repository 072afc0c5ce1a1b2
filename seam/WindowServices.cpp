#include "seam/WindowServices.h"

namespace kovex {

void WindowServices::CardOpened(std::string_view /*cardName*/) {
    for (const ControlSpec& row : CONTROLS) {
        if (row.needs == CardNeed::NoCard || row.needs == CardNeed::Open)
            SetEnabled(row.control, row.needs == CardNeed::Open);
    }
}

void WindowServices::CardClosed() {
    if (Timer2Running()) {
        SetTimer2Running(false);
        SetCaption(Control::Button13, CaptionOf(Control::Button13));
    }
    for (const ControlSpec& row : CONTROLS) {
        if (row.needs != CardNeed::None) SetEnabled(row.control, row.needs == CardNeed::NoCard);
    }
}

}  // namespace kovex
