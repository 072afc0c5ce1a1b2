#include "sim/SimDisplay.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "link/DisplayNode.h"
#include "sim/SimNetwork.h"

namespace kovex {

namespace {

constexpr std::size_t COLUMNS_HEADER = 3;  // offset, page, count
constexpr int ROWS_PER_PAGE = 8;

// The values an upload meant, every escape undone; nullopt when the last
// value is an escape with nothing after it.
std::optional<std::vector<std::uint8_t>> Unescape(std::span<const std::uint8_t> sent) {
    std::vector<std::uint8_t> values;
    values.reserve(sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (sent[i] != ESCAPE_PREFIX) {
            values.push_back(sent[i]);
            continue;
        }
        if (++i == sent.size()) return std::nullopt;
        values.push_back(static_cast<std::uint8_t>(sent[i] ^ ESCAPE_FLIP));
    }
    return values;
}

}  // namespace

void SimDisplay::AttachTo(SimNetwork& network) {
    network.Attach(NODE, DEVICE, *this);
    network.AttachUnclaimed(&unclaimed_);
}

void SimDisplay::UnclaimedUploads::Receive(const ReceivedNodeMessage& message, HostOutbox& host) {
    const bool upload = message.command == DISPLAY_WRITE_COLUMNS;
    display.undelivered_ = Undelivered{message.node, message.device, upload};
    if (upload) {
        display.Receive(message, host);
    } else {
        ++display.heard_;
    }
}

void SimDisplay::Receive(const ReceivedNodeMessage& message, HostOutbox& /*host*/) {
    ++heard_;
    if (message.node == NODE && message.device == DEVICE) undelivered_.reset();
    switch (Execute(message)) {
        case Outcome::Used:
            ++changes_;
            break;
        case Outcome::Malformed:
            ++malformed_;
            break;
        case Outcome::Unknown:
            break;
    }
}

void SimDisplay::Restore(Memory memory) {
    pages_ = memory.pages;
    saved_ = std::move(memory.saved);
    cursor_ = memory.cursor;
    font_ = memory.font;
    text_ = std::move(memory.text);
    ++changes_;
}

bool SimDisplay::PixelBlack(int x, int y) const {
    if (x < 0 || x >= WIDTH || y < 0 || y >= HEIGHT) return false;
    const auto column = pages_[static_cast<std::size_t>(y / ROWS_PER_PAGE)];
    return ((column[static_cast<std::size_t>(x)] >> (y % ROWS_PER_PAGE)) & 1u) != 0;
}

SimDisplay::Outcome SimDisplay::Execute(const ReceivedNodeMessage& message) {
    const auto usedWhen = [](bool ok) { return ok ? Outcome::Used : Outcome::Malformed; };
    switch (message.command) {
        case DISPLAY_CLEAR:
            Clear();
            return Outcome::Used;
        case DISPLAY_SET_XY:
            return usedWhen(SetCursor(message));
        case DISPLAY_TEXT:
            DrawText(message);
            return Outcome::Used;
        case DISPLAY_SHOW_IMAGE:
            return usedWhen(ShowImage(message));
        case DISPLAY_SAVE_IMAGE:
            return usedWhen(SaveImage(message));
        case DISPLAY_FONT:
            return usedWhen(SetFont(message));
        case DISPLAY_WRITE_COLUMNS:
            return usedWhen(WriteColumns(message));
        default:
            return Outcome::Unknown;
    }
}

void SimDisplay::Clear() {
    pages_ = {};
    text_.clear();
    cursor_ = {};
}

bool SimDisplay::SetCursor(const ReceivedNodeMessage& message) {
    if (message.parameters.size() != 2) return false;
    cursor_ = {message.parameters[0], message.parameters[1]};
    return true;
}

void SimDisplay::DrawText(const ReceivedNodeMessage& message) {
    for (const std::uint8_t code : message.parameters) {
        DrawCharacter(code);
        text_.push_back(static_cast<char>(code));
    }
}

void SimDisplay::DrawCharacter(std::uint8_t code) {
    const int width = CellWidth(font_);
    const int height = CellHeight(font_);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            SetPixel(cursor_.x + column, cursor_.y + row, GlyphInk(font_, code, column, row));
        }
    }
    cursor_.x += width;
}

void SimDisplay::SetPixel(int x, int y, bool black) {
    if (x < 0 || x >= WIDTH || y < 0 || y >= HEIGHT) return;
    auto& column = pages_[static_cast<std::size_t>(y / ROWS_PER_PAGE)][static_cast<std::size_t>(x)];
    const auto bit = static_cast<std::uint8_t>(1u << (y % ROWS_PER_PAGE));
    column = static_cast<std::uint8_t>(black ? column | bit : column & ~bit);
}

bool SimDisplay::ShowImage(const ReceivedNodeMessage& message) {
    if (message.parameters.size() != 1) return false;
    if (const auto saved = saved_.find(message.parameters[0]); saved != saved_.end()) {
        pages_ = saved->second;
    }
    return true;
}

bool SimDisplay::SaveImage(const ReceivedNodeMessage& message) {
    if (message.parameters.size() != 1) return false;
    saved_[message.parameters[0]] = pages_;
    return true;
}

bool SimDisplay::SetFont(const ReceivedNodeMessage& message) {
    if (message.parameters.size() != 1) return false;
    switch (message.parameters[0]) {
        case static_cast<std::uint8_t>(DisplayFont::Small5x7):
            font_ = DisplayFont::Small5x7;
            return true;
        case static_cast<std::uint8_t>(DisplayFont::Large10x14):
            font_ = DisplayFont::Large10x14;
            return true;
        default:
            return false;
    }
}

bool SimDisplay::WriteColumns(const ReceivedNodeMessage& message) {
    const auto values = Unescape(message.parameters);
    if (!values || values->size() < COLUMNS_HEADER) return false;
    const std::size_t offset = (*values)[0];
    const std::size_t page = (*values)[1];
    const std::size_t count = (*values)[2];
    if (page >= PAGES || count != values->size() - COLUMNS_HEADER ||
        offset + count > std::size_t{WIDTH}) {
        return false;
    }
    const auto columns = values->begin() + COLUMNS_HEADER;
    std::copy(columns, values->end(), pages_[page].begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

}  // namespace kovex
