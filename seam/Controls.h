// The main window's controls: form name, caption, state at start and what
// each needs of the card. The window, the test fake and kovexctl's terminal
// window start from this table; an opened, closed or lost card switches the
// controls by it (WindowServices::CardOpened, CardClosed).
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace kovex {

enum class Control {
    Button1,
    Button2,
    Button3,
    Button4,
    Button5,
    Button6,
    Button7,
    Button8,
    Button9,
    Button10,
    Button11,
    Button12,
    Button13,
    Button14,
    Button15,
    Button16,
    CheckBox1,
};

enum class CardNeed {
    None,     // with or without a card
    NoCard,   // only while no card is open (Open itself)
    Open,     // an open card: on once Open succeeds
    RunMode,  // a card in run mode: on once Run Mode or Loopback says so
};

struct ControlSpec {
    Control control;
    std::string_view name;
    std::string_view caption;
    bool enabledAtStart;
    CardNeed needs;
};

// In the window's tab order.
inline constexpr std::array<ControlSpec, 17> CONTROLS{{
    {Control::Button1, "Button1", "Open", true, CardNeed::NoCard},
    {Control::Button2, "Button2", "Program KOVEX", false, CardNeed::Open},
    {Control::Button3, "Button3", "Clear", true, CardNeed::None},
    {Control::Button4, "Button4", "Version", false, CardNeed::Open},
    {Control::Button5, "Button5", "Get Poll List", false, CardNeed::Open},
    {Control::Button6, "Button6", "Poll Speed", false, CardNeed::RunMode},
    {Control::Button7, "Button7", "Run Mode", false, CardNeed::Open},
    {Control::Button8, "Button8", "Boot Mode", false, CardNeed::Open},
    {Control::Button9, "Button9", "Set Poll List", false, CardNeed::Open},
    {Control::Button10, "Button10", "Send Msg", false, CardNeed::RunMode},
    {Control::Button11, "Button11", "Get Msg", false, CardNeed::RunMode},
    {Control::Button12, "Button12", "Clear Buff", true, CardNeed::None},
    {Control::Button13, "Button13", "Start", false, CardNeed::RunMode},
    {Control::CheckBox1, "CheckBox1", "dbg", true, CardNeed::None},
    {Control::Button14, "Button14", "Test", false, CardNeed::RunMode},
    {Control::Button15, "Button15", "Loopback", true, CardNeed::None},
    {Control::Button16, "Button16", "Graphic", false, CardNeed::RunMode},
}};

constexpr std::size_t ControlIndex(Control control) {
    return static_cast<std::size_t>(control);
}

// The caption a control starts with.
constexpr std::string_view CaptionOf(Control control) {
    for (const ControlSpec& row : CONTROLS) {
        if (row.control == control) return row.caption;
    }
    return {};
}

}  // namespace kovex
