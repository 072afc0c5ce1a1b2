#include "display/core/PictureUpload.h"

#include <stdexcept>
#include <string_view>

#include "console/TextToInt.h"
#include "seam/FlagScope.h"
#include "seam/SlotGuard.h"

namespace kovex {

namespace {

constexpr PartWay PICTURE_PART_WAY{"while the picture was being sent",
                                   "the display may show part of it: upload it again"};

// Why the typed Node or Device cannot be sent; empty when it can.
std::string AddressRefusal(std::string_view name, const std::string& typed) {
    const TypedByte::Reading reading = ReadTypedByte(typed).reading;
    if (reading == TypedByte::Reading::Fits) return {};
    const std::string which = std::string(name) + " " + typed;
    if (reading == TypedByte::Reading::FrameEnd) {
        return which + " is 255 as a byte, which would end the frame early. Nothing was sent.";
    }
    return which + " " + std::string(TypedByteProblem(reading)) + ". Nothing was sent.";
}

}  // namespace

std::string PictureNotSentText(int messagesSent, std::string_view why) {
    const std::string reason(why.empty() ? "the card did not take it" : why);
    if (messagesSent == 0) return WithFullStop("The picture was not sent: " + reason);
    return WithFullStop("The picture was not sent whole (" + std::to_string(messagesSent) + " of " +
                        std::to_string(PAGE_COUNT * QUARTER_COUNT) +
                        " messages went out): " + reason);
}

std::optional<PictureUpload::Address> PictureUpload::ReadAddress(std::string& refusal) {
    const std::string node = window_.EditText(DisplayEdit::Edit1);
    const std::string device = window_.EditText(DisplayEdit::Edit2);
    refusal = AddressRefusal("Node", node);
    if (refusal.empty()) refusal = AddressRefusal("Device", device);
    if (!refusal.empty()) {
        window_.ShowError(refusal);
        return std::nullopt;
    }
    return Address{TextToInt(node), TextToInt(device)};
}

std::optional<PixelGrid> PictureUpload::ChooseAndLoad(Outcome& outcome) {
    const std::optional<std::string> path = window_.ChoosePictureFile();
    if (!path) {
        outcome = Outcome::Of(Ending::Declined, "");
        return std::nullopt;
    }
    try {
        return window_.LoadPicture(*path);
    } catch (const std::runtime_error& error) {
        outcome = Outcome::Shown(Ending::Refused, WithFullStop(error.what()));
        window_.ShowError(outcome.text);
        return std::nullopt;
    }
}

Outcome PictureUpload::SendPages(Address address, int& sent) {
    for (int page = 0; page < PAGE_COUNT; ++page) {
        for (int quarter = 0; quarter < QUARTER_COUNT; ++quarter) {
            const std::string text =
                WriteColumnsText(address.node, address.device, PageBuffer_, page, quarter);
            Outcome outcome = sink_.SendString(text);
            if (!outcome) return outcome;
            ++sent;
            window_.Pump();
        }
    }
    return {};
}

Outcome PictureUpload::Button1Click() {
    // A click taken while the pages go out would repack them mid-send.
    if (uploading_) {
        window_.ShowMessage(PICTURE_BEING_SENT_TEXT);
        return Outcome::Shown(Ending::InUse, std::string(PICTURE_BEING_SENT_TEXT));
    }
    std::string refusal;
    const std::optional<Address> address = ReadAddress(refusal);
    if (!address) return Outcome::Shown(Ending::Refused, refusal);
    Outcome loaded;
    const std::optional<PixelGrid> picture = ChooseAndLoad(loaded);
    if (!picture) return loaded;
    window_.ShowPicture(*picture);
    PackPicture(*picture, PageBuffer_);
    const FlagScope uploading(uploading_);
    // Refused as a whole (no card, port busy), nothing is sent; a card that
    // stops taking bytes, or a message refused, ends it part way.
    int sent = 0;
    Outcome pages;
    Outcome outcome =
        sink_.SendAsOneExchange([&] { pages = SendPages(*address, sent); }, PICTURE_PART_WAY);
    if (outcome && !pages) outcome = std::move(pages);
    // A program that is closing shows no box.
    if (!outcome && outcome.ending != Ending::Interrupted) {
        window_.ShowError(PictureNotSentText(sent, outcome.text));
        outcome.shown = true;
    }
    // Stopped before its first byte went out, the picture was not begun.
    if (outcome.ending == Ending::Interrupted && outcome.left.empty()) {
        outcome.text = "the picture was not sent";
    }
    return outcome;
}

}  // namespace kovex
