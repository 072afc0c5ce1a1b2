#include "support/FakeWindow.h"

namespace kovex::testing {

FakeWindow::FakeWindow() {
    // The main window's start state.
    for (int i = 0; i <= static_cast<int>(Control::CheckBox1); ++i) {
        enabled[static_cast<Control>(i)] = false;
    }
    for (const Control control : {Control::Button1, Control::Button3, Control::Button12,
                                  Control::Button15, Control::CheckBox1}) {
        enabled[control] = true;
    }
}

void FakeWindow::SetEnabled(Control control, bool isEnabled) {
    enabled[control] = isEnabled;
    enableCalls.emplace_back(control, isEnabled);
}

}  // namespace kovex::testing
