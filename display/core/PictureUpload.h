// Upload: the user picks a picture, Image1 shows it, it is packed into the
// page buffer and sent whole to the node and device of the Node and Device
// edits as 32 DISPLAY_WRITE_COLUMNS messages, page by page, a quarter at a
// time, in one exchange: nothing else reaches the card between them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "console/MessageSink.h"
#include "display/core/DisplayWindow.h"
#include "display/core/PagePacking.h"

namespace kovex {

inline constexpr std::string_view PICTURE_BEING_SENT_TEXT =
    "A picture is still being sent; wait until it is done.";

// The error box for a picture that did not go out whole: how many of its
// messages did, and the logged reason.
std::string PictureNotSentText(int messagesSent, std::string_view why);

class PictureUpload {
public:
    PictureUpload(DisplayWindow& window, MessageSink& sink) : window_(window), sink_(sink) {}

    Outcome Button1Click();
    const PageBuffer& Pages() const { return PageBuffer_; }
    // A picture's messages are going out.
    bool Sending() const { return uploading_; }

private:
    struct Address {
        std::int32_t node = 0;
        std::int32_t device = 0;
    };
    // Nothing, with the error box and its text in refusal, when the Node or
    // Device edit is not a number from 0 to 254.
    std::optional<Address> ReadAddress(std::string& refusal);
    // Nothing when the user cancels or the picture cannot be loaded (the
    // error box says why); outcome then says which.
    std::optional<PixelGrid> ChooseAndLoad(Outcome& outcome);
    // Stops at the first message the sink refuses and says why; counts the
    // messages that went out.
    Outcome SendPages(Address address, int& sent);

    DisplayWindow& window_;
    MessageSink& sink_;
    PageBuffer PageBuffer_{};
    bool uploading_ = false;
};

}  // namespace kovex
