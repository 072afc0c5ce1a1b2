// The graphic window's display commands: Save, Display, Clear, Set XY, Send
// Text and Font. Each sends one node message text to node 10, device 34,
// whatever the Node and Device edits hold; none waits for a reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "console/MessageSink.h"
#include "display/core/DisplayWindow.h"
#include "link/DisplayNode.h"

namespace kovex {

// Node, device and command take three of the 249 numbers of a node message.
inline constexpr std::size_t DISPLAY_TEXT_MOST_CHARACTERS = 246;

// The Send Text message for `text` (UTF-8): one ISO 8859-1 code and a space
// per character. Nothing, with the reason for the user, when the text is too
// long, has a character without an ISO 8859-1 code, or one whose code is 255
// (it would end the frame).
struct DisplayTextMessage {
    std::optional<std::string> text;
    std::string refusal;
};
DisplayTextMessage BuildDisplayText(std::string_view text);

class PictureUpload;

// The error box for a command that did not go out, with the logged reason.
std::string CommandNotSentText(std::string_view why);

class DisplayCommands {
public:
    // While `upload` sends a picture, every command is refused with a box:
    // it would reach the card between two of the picture's messages.
    DisplayCommands(DisplayWindow& window, MessageSink& sink, const PictureUpload* upload = nullptr)
        : window_(window), sink_(sink), upload_(upload) {}

    Outcome Button2Click();  // Save, then the "Saved" box
    Outcome Button3Click();  // Display
    Outcome Button4Click();  // Clear
    Outcome Button5Click();  // Set XY, the edits as typed
    Outcome Button6Click();  // Send Text
    // The radio group's choice became `item` (0 "5x7", 1 "10x14"); choosing
    // the item already chosen sends nothing.
    Outcome RadioGroup1Click(int item);

private:
    std::string ImageNumber() const;
    // Done when the text went out; otherwise the error box says why.
    Outcome Send(const std::string& text);

    DisplayWindow& window_;
    MessageSink& sink_;
    const PictureUpload* upload_;
    std::optional<int> chosenFont_;
};

}  // namespace kovex
