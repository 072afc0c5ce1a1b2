#include "seam/WindowServices.h"

namespace kovex {

void WindowServices::CardOpened() {
    for (const ControlSpec& spec : CONTROLS) {
        if (spec.needs == CardNeed::NoCard || spec.needs == CardNeed::Open)
            SetEnabled(spec.control, spec.needs == CardNeed::Open);
    }
}

void WindowServices::CardClosed() {
    if (Timer2Running()) {
        SetTimer2Running(false);
        SetCaption(Control::Button13, CaptionOf(Control::Button13));
    }
    for (const ControlSpec& spec : CONTROLS) {
        if (spec.needs != CardNeed::None) SetEnabled(spec.control, spec.needs == CardNeed::NoCard);
    }
}

}  // namespace kovex
