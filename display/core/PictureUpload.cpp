#include "display/core/PictureUpload.h"

#include <stdexcept>
#include <string_view>

#include "console/FlagScope.h"
#include "console/TextToInt.h"
#include "seam/SlotGuard.h"

namespace kovex {

namespace {

constexpr std::uint32_t FRAME_END_BYTE = 0xFF;

// The message header gets the number as SendString reads it back from its
// signed decimal (the sign dropped), and the value itself must not end in
// 255 either.
bool EndsAFrame(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    const std::uint32_t magnitude = value < 0 ? 0U - bits : bits;
    return (bits & FRAME_END_BYTE) == FRAME_END_BYTE ||
           (magnitude & FRAME_END_BYTE) == FRAME_END_BYTE;
}

std::string EndsAFrameText(std::string_view name, const std::string& typed) {
    return std::string(name) + " " + typed +
           " is 255 as a byte, which would end the frame early. Nothing was sent.";
}

}  // namespace

std::string PictureNotSentText(int messagesSent, std::string_view why) {
    const std::string reason(why.empty() ? "the card did not take it" : why);
    if (messagesSent == 0) return WithFullStop("The picture was not sent: " + reason);
    return WithFullStop("The picture was not sent whole (" + std::to_string(messagesSent) + " of " +
                        std::to_string(PAGE_COUNT * QUARTER_COUNT) +
                        " messages went out): " + reason);
}

std::optional<PictureUpload::Address> PictureUpload::ReadAddress() {
    const std::string node = window_.EditText(DisplayEdit::Edit1);
    const std::string device = window_.EditText(DisplayEdit::Edit2);
    const Address address{TextToInt(node), TextToInt(device)};
    if (EndsAFrame(address.node)) {
        window_.ShowError(EndsAFrameText("Node", node));
        return std::nullopt;
    }
    if (EndsAFrame(address.device)) {
        window_.ShowError(EndsAFrameText("Device", device));
        return std::nullopt;
    }
    return address;
}

std::optional<PixelGrid> PictureUpload::ChooseAndLoad() {
    const std::optional<std::string> path = window_.ChoosePictureFile();
    if (!path) return std::nullopt;
    try {
        return window_.LoadPicture(*path);
    } catch (const std::runtime_error& error) {
        window_.ShowError(WithFullStop(error.what()));
        return std::nullopt;
    }
}

SendOutcome PictureUpload::SendPages(Address address, int& sent) {
    for (int page = 0; page < PAGE_COUNT; ++page) {
        for (int quarter = 0; quarter < QUARTER_COUNT; ++quarter) {
            const std::string text =
                WriteColumnsText(address.node, address.device, PageBuffer_, page, quarter);
            SendOutcome outcome = sink_.SendString(text);
            if (!outcome) return outcome;
            ++sent;
            window_.Pump();
        }
    }
    return {true, {}};
}

void PictureUpload::Button1Click() {
    // A click taken while the pages go out would repack them mid-send.
    if (uploading_) {
        window_.ShowMessage(PICTURE_BEING_SENT_TEXT);
        return;
    }
    const std::optional<Address> address = ReadAddress();
    if (!address) return;
    const std::optional<PixelGrid> picture = ChooseAndLoad();
    if (!picture) return;
    window_.ShowPicture(*picture);
    PackPicture(*picture, PageBuffer_);
    const FlagScope uploading(uploading_);
    // Refused as a whole (no card, port busy), nothing is sent; a card that
    // stops taking bytes, or a message refused, ends it part way.
    int sent = 0;
    SendOutcome pages{true, {}};
    const SendOutcome exchange =
        sink_.SendAsOneExchange([&] { pages = SendPages(*address, sent); });
    const SendOutcome& outcome = exchange ? pages : exchange;
    if (!outcome) window_.ShowError(PictureNotSentText(sent, outcome.why));
}

}  // namespace kovex
