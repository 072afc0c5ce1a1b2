// The display node of the simulated network: a graphic display of 256 x 64
// pixels held as page memory, 8 pages of 256 column bytes. Byte x of page p
// is column x of rows 8p to 8p + 7, bit k the pixel in row 8p + k; a set bit
// is black.
//
// Commands, with the node message's parameter bytes:
//   2  clear       page memory white, the text forgotten, cursor to 0,0
//   5  set XY      X, Y: the cursor in pixels, the top-left corner of the
//                  next character's cell
//   6  text        ISO 8859-1 codes, each drawn at the cursor in the current
//                  font over its whole cell (ink black, the rest white), the
//                  cursor then one cell to the right. Text does not wrap;
//                  what passes the edge is cut off. The codes are kept.
//   12 show image  n: page memory becomes image n as saved; an image never
//                  saved leaves page memory as it is
//   13 save image  n: a copy of page memory is kept as image n
//   15 font        0 "5x7", 1 "10x14" (DisplayFont.h)
//   16 write columns  escaped values: column offset, page, count, then count
//                  column bytes for columns offset onwards of that page. A 4
//                  is an escape: the value after it, exclusive-or 128, is the
//                  value meant (4 130 is 2, 4 127 is 255). Every value may be
//                  escaped, the leading three included.
// A message the display cannot use changes nothing and is counted by
// Malformed(): an escape with nothing after it, fewer than three values, a
// page past 7, columns past 255, a count that disagrees with the bytes that
// follow, set XY without exactly two parameters, show, save or font without
// exactly one, a font other than 0 or 1. A command it does not know is
// ignored.
//
// AttachTo puts the display at node 10, device 34, and makes it take every
// column upload (command 16) that no other device claims, whatever address
// it names: the upload is sent to the node and device the user typed. Other
// commands to unclaimed addresses are not for the display. It remembers the
// latest message that no device took, for its window to say so, until a
// message comes to its own address.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "sim/DisplayFont.h"
#include "sim/SimDevice.h"

namespace kovex {

class SimNetwork;

class SimDisplay final : public SimDevice {
public:
    static constexpr std::uint8_t NODE = 10;
    static constexpr std::uint8_t DEVICE = 34;
    static constexpr int WIDTH = 256;
    static constexpr int HEIGHT = 64;
    static constexpr int PAGES = 8;

    using Page = std::array<std::uint8_t, WIDTH>;
    using PageMemory = std::array<Page, PAGES>;

    struct Cursor {
        int x = 0;
        int y = 0;
        bool operator==(const Cursor&) const = default;
    };

    SimDisplay() = default;
    SimDisplay(const SimDisplay&) = delete;
    SimDisplay& operator=(const SimDisplay&) = delete;
    ~SimDisplay() override = default;

    // The display must outlive the network.
    void AttachTo(SimNetwork& network);

    void Receive(const ReceivedNodeMessage& message, HostOutbox& host) override;

    const PageMemory& Pages() const { return pages_; }
    bool PixelBlack(int x, int y) const;  // false outside the display
    Cursor CursorAt() const { return cursor_; }
    DisplayFont Font() const { return font_; }
    const std::string& Text() const { return text_; }  // codes since the last clear
    const std::map<std::uint8_t, PageMemory>& SavedImages() const { return saved_; }
    int Malformed() const { return malformed_; }
    // What the display remembers, as a run left it.
    struct Memory {
        PageMemory pages{};
        std::map<std::uint8_t, PageMemory> saved;
        Cursor cursor;
        DisplayFont font = DisplayFont::Small5x7;
        std::string text;
    };
    Memory Remembered() const { return {pages_, saved_, cursor_, font_, text_}; }
    void Restore(Memory memory);
    // Goes up by one for every message that the display used; a window
    // repaints when it has moved.
    unsigned Changes() const { return changes_; }
    // Goes up by one for every message that reached the display, used or
    // not, and every one that no device took.
    unsigned Heard() const { return heard_; }
    // The latest message that no device took, while no message has come to
    // the display's own address since.
    struct Undelivered {
        std::uint8_t node = 0;
        std::uint8_t device = 0;
        bool upload = false;  // column upload: the display took it all the same
    };
    const std::optional<Undelivered>& LastUndelivered() const { return undelivered_; }

private:
    // Hands the display the uploads that no device claims.
    struct UnclaimedUploads final : SimDevice {
        explicit UnclaimedUploads(SimDisplay& display) : display(display) {}
        void Receive(const ReceivedNodeMessage& message, HostOutbox& host) override;
        SimDisplay& display;
    };

    enum class Outcome { Used, Malformed, Unknown };

    Outcome Execute(const ReceivedNodeMessage& message);
    void Clear();
    bool SetCursor(const ReceivedNodeMessage& message);
    void DrawText(const ReceivedNodeMessage& message);
    void DrawCharacter(std::uint8_t code);
    void SetPixel(int x, int y, bool black);
    bool ShowImage(const ReceivedNodeMessage& message);
    bool SaveImage(const ReceivedNodeMessage& message);
    bool SetFont(const ReceivedNodeMessage& message);
    bool WriteColumns(const ReceivedNodeMessage& message);

    PageMemory pages_{};
    Cursor cursor_;
    DisplayFont font_ = DisplayFont::Small5x7;
    std::string text_;
    std::map<std::uint8_t, PageMemory> saved_;
    int malformed_ = 0;
    unsigned changes_ = 0;
    unsigned heard_ = 0;
    std::optional<Undelivered> undelivered_;
    UnclaimedUploads unclaimed_{*this};
};

}  // namespace kovex
