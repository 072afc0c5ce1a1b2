#include "sim/CardStateText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

namespace kovex {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Words = std::vector<std::string>;

constexpr std::size_t FLASH_RUN = 32;  // bytes on one flash line
// Past this the cursor draws nothing all the same; drawing at a cursor read
// as it was written could overflow.
constexpr int MOST_CURSOR = 1 << 24;

// Everything a state file holds, read in full before the card is touched.
struct SavedCard {
    std::uint8_t mode = MODE_RUN;
    std::string version;
    bool firmwareChanged = false;
    std::map<std::uint32_t, std::uint8_t> flash;
    std::array<std::uint8_t, 256> pollList{};
    std::array<std::optional<std::uint8_t>, 256> nodeStatus{};
    std::uint8_t pollPointer = 0;
    std::uint8_t pollNode = 0;
    std::pair<std::uint8_t, std::uint8_t> packets;
    unsigned chatter = 0;
    std::vector<Bytes> messages;
    SimDisplay::Memory display;
    std::optional<Nanos> savedAt;
};

std::string HexOf(std::span<const std::uint8_t> bytes) {
    static constexpr std::string_view DIGITS = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text.push_back(DIGITS[byte >> 4]);
        text.push_back(DIGITS[byte & 0xF]);
    }
    return text;
}

std::string HexOf(std::string_view text) {
    const Bytes bytes(text.begin(), text.end());
    return HexOf(bytes);
}

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text, int base = 10) {
    Number value{};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
    return value;
}

std::optional<std::uint8_t> ParseByte(std::string_view text) {
    const auto value = ParseNumber<unsigned>(text);
    if (!value || *value > 0xFF) return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

std::optional<Bytes> ParseHex(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    Bytes bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const auto byte = ParseNumber<unsigned>(text.substr(i, 2), 16);
        if (!byte) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*byte));
    }
    return bytes;
}

// The words' bytes as hex; none when no word (an empty text).
std::optional<Bytes> HexWord(const Words& words, std::size_t at) {
    if (words.size() <= at) return Bytes{};
    if (words.size() > at + 1) return std::nullopt;
    return ParseHex(words[at]);
}

template <std::size_t N>
bool ReadFixed(const Words& words, std::size_t at, std::array<std::uint8_t, N>& into) {
    const auto bytes = HexWord(words, at);
    if (!bytes || bytes->size() != N) return false;
    std::copy(bytes->begin(), bytes->end(), into.begin());
    return true;
}

// ---- writing ----

void WriteFlash(std::ostringstream& out, const std::map<std::uint32_t, std::uint8_t>& flash) {
    auto at = flash.begin();
    while (at != flash.end()) {
        const std::uint32_t start = at->first;
        Bytes run;
        while (at != flash.end() && at->first == start + run.size() && run.size() < FLASH_RUN) {
            run.push_back(at->second);
            ++at;
        }
        out << "flash " << std::hex << start << std::dec << ' ' << HexOf(run) << '\n';
    }
}

void WriteDisplay(std::ostringstream& out, const SimDisplay::Memory& display) {
    for (std::size_t page = 0; page < display.pages.size(); ++page)
        out << "display-page " << page << ' ' << HexOf(display.pages[page]) << '\n';
    for (const auto& [number, pages] : display.saved) {
        for (std::size_t page = 0; page < pages.size(); ++page) {
            out << "display-image " << unsigned{number} << ' ' << page << ' ' << HexOf(pages[page])
                << '\n';
        }
    }
    out << "display-cursor " << display.cursor.x << ' ' << display.cursor.y << '\n'
        << "display-font " << static_cast<unsigned>(display.font) << '\n'
        << "display-text " << HexOf(display.text) << '\n';
}

// ---- reading, one kind of line each ----

class StateReader {
public:
    std::string Read(std::string_view text) {
        std::istringstream lines{std::string(text)};
        std::string line;
        std::getline(lines, line);
        if (line != CARD_STATE_FIRST_LINE) return "it is not a simulated card's state";
        for (int number = 2; std::getline(lines, line); ++number) {
            if (!ReadLine(line)) return "line " + std::to_string(number) + " cannot be read";
        }
        return {};
    }

    SavedCard& Saved() { return saved_; }

private:
    using LineReader = bool (StateReader::*)(const Words& words);

    bool ReadLine(const std::string& line) {
        std::istringstream in(line);
        Words words;
        for (std::string word; in >> word;)
            words.push_back(word);
        if (words.empty()) return true;
        static const std::map<std::string, LineReader, std::less<>> readers{
            {"mode", &StateReader::Mode},
            {"version", &StateReader::Version},
            {"firmware-changed", &StateReader::FirmwareChanged},
            {"flash", &StateReader::Flash},
            {"poll-list", &StateReader::PollList},
            {"node-status", &StateReader::NodeStatus},
            {"poll-pointer", &StateReader::PollPointer},
            {"packets", &StateReader::Packets},
            {"chatter", &StateReader::Chatter},
            {"message", &StateReader::Message},
            {"display-page", &StateReader::DisplayPage},
            {"display-image", &StateReader::DisplayImage},
            {"display-cursor", &StateReader::DisplayCursor},
            {"display-font", &StateReader::DisplayFontLine},
            {"display-text", &StateReader::DisplayText},
            {"card-clock", &StateReader::CardClock},
        };
        const auto reader = readers.find(words.front());
        return reader != readers.end() && (this->*(reader->second))(words);
    }

    bool Mode(const Words& words) {
        const auto mode = words.size() == 2 ? ParseNumber<unsigned>(words[1], 16) : std::nullopt;
        if (!mode || *mode > 0xFF) return false;
        saved_.mode = static_cast<std::uint8_t>(*mode);
        return true;
    }
    bool Version(const Words& words) {
        const auto bytes = HexWord(words, 1);
        if (!bytes) return false;
        saved_.version.assign(bytes->begin(), bytes->end());
        return true;
    }
    bool FirmwareChanged(const Words& words) {
        if (words.size() != 2 || (words[1] != "0" && words[1] != "1")) return false;
        saved_.firmwareChanged = words[1] == "1";
        return true;
    }
    bool Flash(const Words& words) {
        const auto address =
            words.size() == 3 ? ParseNumber<std::uint32_t>(words[1], 16) : std::nullopt;
        const auto bytes = HexWord(words, 2);
        if (!address || !bytes || bytes->empty()) return false;
        for (std::size_t i = 0; i < bytes->size(); ++i)
            saved_.flash[*address + static_cast<std::uint32_t>(i)] = (*bytes)[i];
        return true;
    }
    bool PollList(const Words& words) { return ReadFixed(words, 1, saved_.pollList); }
    bool NodeStatus(const Words& words) {
        const auto node = words.size() == 3 ? ParseByte(words[1]) : std::nullopt;
        const auto status = words.size() == 3 ? ParseByte(words[2]) : std::nullopt;
        if (!node || !status) return false;
        saved_.nodeStatus.at(*node) = *status;
        return true;
    }
    bool PollPointer(const Words& words) {
        const auto pointer = words.size() == 3 ? ParseByte(words[1]) : std::nullopt;
        const auto node = words.size() == 3 ? ParseByte(words[2]) : std::nullopt;
        if (!pointer || !node) return false;
        saved_.pollPointer = *pointer;
        saved_.pollNode = *node;
        return true;
    }
    bool Packets(const Words& words) {
        const auto sent = words.size() == 3 ? ParseByte(words[1]) : std::nullopt;
        const auto received = words.size() == 3 ? ParseByte(words[2]) : std::nullopt;
        if (!sent || !received) return false;
        saved_.packets = {*sent, *received};
        return true;
    }
    bool Chatter(const Words& words) {
        const auto count = words.size() == 2 ? ParseNumber<unsigned>(words[1]) : std::nullopt;
        if (!count) return false;
        saved_.chatter = *count;
        return true;
    }
    bool Message(const Words& words) {
        auto bytes = HexWord(words, 1);
        if (!bytes) return false;
        saved_.messages.push_back(std::move(*bytes));
        return true;
    }
    static std::optional<std::size_t> PageNumber(const std::string& word) {
        const auto page = ParseNumber<std::size_t>(word);
        if (!page || *page >= SimDisplay::PAGES) return std::nullopt;
        return page;
    }
    bool DisplayPage(const Words& words) {
        const auto page = words.size() == 3 ? PageNumber(words[1]) : std::nullopt;
        return page && ReadFixed(words, 2, saved_.display.pages.at(*page));
    }
    bool DisplayImage(const Words& words) {
        const auto number = words.size() == 4 ? ParseByte(words[1]) : std::nullopt;
        const auto page = words.size() == 4 ? PageNumber(words[2]) : std::nullopt;
        return number && page && ReadFixed(words, 3, saved_.display.saved[*number].at(*page));
    }
    bool DisplayCursor(const Words& words) {
        const auto x = words.size() == 3 ? ParseNumber<int>(words[1]) : std::nullopt;
        const auto y = words.size() == 3 ? ParseNumber<int>(words[2]) : std::nullopt;
        if (!x || !y || *x < 0 || *y < 0) return false;
        saved_.display.cursor = {std::min(*x, MOST_CURSOR), std::min(*y, MOST_CURSOR)};
        return true;
    }
    bool DisplayFontLine(const Words& words) {
        if (words.size() != 2 || (words[1] != "0" && words[1] != "1")) return false;
        saved_.display.font = words[1] == "1" ? DisplayFont::Large10x14 : DisplayFont::Small5x7;
        return true;
    }
    bool DisplayText(const Words& words) {
        const auto bytes = HexWord(words, 1);
        if (!bytes) return false;
        saved_.display.text.assign(bytes->begin(), bytes->end());
        return true;
    }
    bool CardClock(const Words& words) {
        const auto nanos = words.size() == 2 ? ParseNumber<Nanos::rep>(words[1]) : std::nullopt;
        if (!nanos) return false;
        saved_.savedAt = Nanos{*nanos};
        return true;
    }

    SavedCard saved_;
};

void Apply(SimulatedCard& card, SavedCard saved) {
    card.SetMode(saved.mode);
    CardState& state = card.State();
    state.versionText = std::move(saved.version);
    state.firmwareChanged = saved.firmwareChanged;
    state.flash = std::move(saved.flash);
    state.pollList = saved.pollList;
    state.nodeStatus = saved.nodeStatus;
    state.ethPollPointer = saved.pollPointer;
    state.ethPollNode = saved.pollNode;
    card.SetPacketCounters(saved.packets.first, saved.packets.second);
    card.Network().SetChatterCount(saved.chatter);
    for (Bytes& message : saved.messages)
        card.QueueHostMessage(std::move(message));
    card.Display().Restore(std::move(saved.display));
}

}  // namespace

std::string CardStateText(SimulatedCard& card, Nanos savedAt) {
    const CardState& state = card.State();
    const auto [sent, received] = card.PacketCounters();
    std::ostringstream out;
    out << CARD_STATE_FIRST_LINE << '\n'
        << "mode " << std::hex << unsigned{state.mode} << std::dec << '\n'
        << "version " << HexOf(state.versionText) << '\n'
        << "firmware-changed " << (state.firmwareChanged ? 1 : 0) << '\n';
    WriteFlash(out, state.flash);
    out << "poll-list " << HexOf(state.pollList) << '\n';
    for (std::size_t node = 0; node < state.nodeStatus.size(); ++node) {
        if (const auto status = state.nodeStatus[node])
            out << "node-status " << node << ' ' << unsigned{*status} << '\n';
    }
    out << "poll-pointer " << unsigned{state.ethPollPointer} << ' ' << unsigned{state.ethPollNode}
        << '\n'
        << "packets " << unsigned{sent} << ' ' << unsigned{received} << '\n'
        << "chatter " << card.Network().ChatterCount() << '\n';
    for (const Bytes& message : card.HostMessages())
        out << "message " << HexOf(message) << '\n';
    WriteDisplay(out, card.Display().Remembered());
    out << "card-clock " << savedAt.count() << '\n';
    return out.str();
}

bool IsCardStateText(std::string_view text) {
    return text.starts_with(CARD_STATE_FIRST_LINE) &&
           (text.size() == CARD_STATE_FIRST_LINE.size() ||
            text[CARD_STATE_FIRST_LINE.size()] == '\n');
}

CardStateRead ReadCardState(SimulatedCard& card, std::string_view text) {
    StateReader reader;
    if (std::string error = reader.Read(text); !error.empty()) return {std::move(error), {}};
    const std::optional<Nanos> savedAt = reader.Saved().savedAt;
    Apply(card, std::move(reader.Saved()));
    return {{}, savedAt};
}

}  // namespace kovex
