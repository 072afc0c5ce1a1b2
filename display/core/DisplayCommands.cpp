#include "display/core/DisplayCommands.h"

#include <vector>

#include "console/TextToInt.h"
#include "display/core/PictureUpload.h"
#include "seam/SlotGuard.h"

namespace kovex {

namespace {

constexpr std::string_view DISPLAY_ADDRESS = "10 34 ";
constexpr char32_t LATIN1_LAST = 0xFF;
constexpr char32_t FRAME_END_CODE = 0xFF;
constexpr char32_t NOT_DECODED = 0xFFFD;

std::string CommandText(std::uint8_t command) {
    return std::string(DISPLAY_ADDRESS) + std::to_string(command);
}

// The length of a UTF-8 sequence from its lead byte; 0 for a byte that
// cannot start one.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 0;
}

// The characters of a UTF-8 text; a malformed sequence reads as U+FFFD.
std::vector<char32_t> DecodeUtf8(std::string_view text) {
    std::vector<char32_t> characters;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = SequenceLength(lead);
        if (length == 0 || i + length > text.size()) {
            characters.push_back(NOT_DECODED);
            ++i;
            continue;
        }
        char32_t code = length == 1 ? lead : (lead & (0x7F >> length));
        bool valid = true;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = valid && (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        characters.push_back(valid ? code : NOT_DECODED);
        i += valid ? length : 1;
    }
    return characters;
}

// "U+00E9", "U+1F600": the whole code point, at least four digits.
std::string CodePointName(char32_t code) {
    std::string hex;
    for (char32_t rest = code; rest != 0 || hex.size() < 4; rest >>= 4)
        hex.insert(hex.begin(), "0123456789ABCDEF"[rest & 0xF]);
    return "U+" + hex;
}

DisplayTextMessage Refused(std::string reason) {
    return {std::nullopt, std::move(reason) + " Nothing was sent."};
}

}  // namespace

DisplayTextMessage BuildDisplayText(std::string_view text) {
    const std::vector<char32_t> characters = DecodeUtf8(text);
    if (characters.size() > DISPLAY_TEXT_MOST_CHARACTERS) {
        return Refused("Send Text carries at most " + std::to_string(DISPLAY_TEXT_MOST_CHARACTERS) +
                       " characters; this text has " + std::to_string(characters.size()) + ".");
    }
    std::string message = CommandText(DISPLAY_TEXT) + " ";
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const char32_t code = characters[i];
        const std::string where = "Character " + std::to_string(i + 1) + " of the text, ";
        if (code > LATIN1_LAST) {
            return Refused(where + CodePointName(code) + ", has no ISO 8859-1 code.");
        }
        if (code == FRAME_END_CODE) {
            return Refused(where + CodePointName(code) + ", has the code 255, which ends a frame.");
        }
        message += std::to_string(static_cast<unsigned>(code)) + " ";
    }
    return {std::move(message), {}};
}

std::string CommandNotSentText(std::string_view why) {
    return WithFullStop("The display command was not sent: " +
                        std::string(why.empty() ? "the card did not take it" : why));
}

Outcome DisplayCommands::Send(const std::string& text) {
    if (upload_ != nullptr && upload_->Sending()) {
        const std::string refusal = WithFullStop("The display command was not sent: " +
                                                 std::string(PICTURE_BEING_SENT_TEXT));
        window_.ShowError(refusal);
        return Outcome::Shown(Ending::InUse, refusal);
    }
    Outcome outcome = sink_.SendString(text);
    // A program that is closing shows no box.
    if (!outcome && outcome.ending != Ending::Interrupted) {
        window_.ShowError(CommandNotSentText(outcome.text));
        outcome.shown = true;
    }
    return outcome;
}

std::string DisplayCommands::ImageNumber() const {
    // A number beyond 32 bits goes as typed, for the message to refuse it.
    const std::string typed = window_.EditText(DisplayEdit::Edit3);
    const auto value = TextToIntWithin32Bits(typed);
    return value ? std::to_string(*value) : typed;
}

Outcome DisplayCommands::Button2Click() {
    // Shown once the message went out, whether or not the node got it: no
    // reply is awaited.
    Outcome outcome = Send(CommandText(DISPLAY_SAVE_IMAGE) + " " + ImageNumber());
    if (outcome) window_.ShowMessage("Saved");
    return outcome;
}

Outcome DisplayCommands::Button3Click() {
    return Send(CommandText(DISPLAY_SHOW_IMAGE) + " " + ImageNumber());
}

Outcome DisplayCommands::Button4Click() {
    return Send(CommandText(DISPLAY_CLEAR));
}

Outcome DisplayCommands::Button5Click() {
    return Send(CommandText(DISPLAY_SET_XY) + " " + window_.EditText(DisplayEdit::Edit4) + " " +
                window_.EditText(DisplayEdit::Edit5));
}

Outcome DisplayCommands::Button6Click() {
    const DisplayTextMessage message = BuildDisplayText(window_.EditText(DisplayEdit::Edit6));
    if (!message.text) {
        window_.ShowMessage(message.refusal);
        return Outcome::Shown(Ending::Refused, message.refusal);
    }
    return Send(*message.text);
}

Outcome DisplayCommands::RadioGroup1Click(int item) {
    if (chosenFont_ == item) return {};
    chosenFont_ = item;
    // A font the display did not get is sent again on the next choice.
    Outcome outcome = Send(CommandText(DISPLAY_FONT) + " " + std::to_string(item));
    if (!outcome) chosenFont_.reset();
    return outcome;
}

}  // namespace kovex
