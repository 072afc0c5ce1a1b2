// What the graphic window offers its handlers: the edit texts, the picture
// box, the open-picture dialog, the boxes and the message pump. TForm2
// implements it with Qt widgets; tests use a scripted fake. Texts are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "display/core/PixelGrid.h"

namespace kovex {

// The window's edit boxes, by their form names.
enum class DisplayEdit {
    Edit1,  // Node
    Edit2,  // Device
    Edit3,  // Image
    Edit4,  // X
    Edit5,  // Y
    Edit6,  // the text to send
};

class DisplayWindow {
public:
    virtual ~DisplayWindow() = default;
    virtual std::string EditText(DisplayEdit edit) const = 0;
    // OpenPictureDialog1: the chosen path, or nothing when the user cancels.
    virtual std::optional<std::string> ChoosePictureFile() = 0;
    // Reads a picture file. A file that cannot be loaded throws
    // std::runtime_error whose what() is the text for the user; the picture
    // box is not changed by loading.
    virtual PixelGrid LoadPicture(const std::string& path) = 0;
    // Image1 shows the picture from its top-left corner, clipped to its size.
    virtual void ShowPicture(const PixelGrid& picture) = 0;
    // A modal information box with an OK button.
    virtual void ShowMessage(std::string_view text) = 0;
    // The application's standard error box (text as given).
    virtual void ShowError(std::string_view text) = 0;
    // Handles the window messages that are waiting, once.
    virtual void Pump() = 0;
};

}  // namespace kovex
