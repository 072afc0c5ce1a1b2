// The poll list commands of the main window: Get Poll List reads the card's
// list (and, while the card runs its network firmware, each node's status),
// Set Poll List writes a list the user types, and Start/Stop switches the
// automatic refresh that Timer2 drives.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/CardPort.h"
#include "seam/Outcome.h"
#include "seam/WindowServices.h"

namespace kovex {

// Indexes and node numbers 0 to 254 travel in a frame; 255 would end it.
inline constexpr std::uint8_t LAST_SENDABLE_POLL_VALUE = 254;

inline constexpr std::string_view POLL_LIST_CAPTION = "Poll List";
inline constexpr std::string_view POLL_LIST_PROMPT = "Enter poll list.";
inline constexpr std::string_view POLL_LIST_DEFAULT = "0";
inline constexpr int POLL_LIST_MAX_LENGTH = 255;
inline constexpr std::size_t POLL_LIST_SHORTEST = 3;
inline constexpr std::string_view CONFIRM_CAPTION = "Confirm";
inline constexpr std::uint8_t SET_POLL_ITEM_TICKS = 2;

inline constexpr std::string_view LAST_ENTRY_UNREAD_LINE =
    "Poll list entry 255 not read: index 255 would end the frame early";
inline constexpr std::string_view STOP_CAPTION = "Stop";

// "Confirm that you want to set the poll list to : 10 20?", the typed text
// single spaced.
std::string ConfirmPollListText(std::string_view typed);
// The line that refuses a list with node 255 at item `item`.
std::string NodeEndsFrameLine(std::size_t item);

// What Get Poll List read: the mode the card reported, its list up to the
// first 0 and, in run mode, each listed node's status.
struct PollListRead {
    std::uint8_t mode = 0;
    std::vector<std::uint8_t> nodes;
    std::vector<std::uint8_t> statuses;  // run mode only; 255 where not asked
    bool lastEntryUnread = false;
};

class PollList {
public:
    PollList(CardPort& port, WindowServices& window) : port_(port), window_(window) {}

    Reply<PollListRead> Button5Click();  // Get Poll List
    // Set Poll List: the entries written, the ending 0 included.
    Reply<std::vector<std::uint8_t>> Button9Click();
    void Button13Click();  // Start/Stop
    void Timer2Timer();    // one refresh step

private:
    // A refresh's read (refresh) or the click's.
    PollListRead GetPollList(bool refresh);
    PollListRead ReadList(std::uint8_t mode);
    static std::vector<std::string> ReadLines(const PollListRead& read);
    void AddDiagnostics(std::vector<std::string>& lines);
    void AppendLines(std::vector<std::string>& lines);
    Outcome SetPollList(std::vector<std::uint8_t>& entries);
    void SendEntries(const std::vector<std::uint8_t>& entries);
    // Drain, send a frame and read the one reply byte.
    std::uint8_t Ask(std::span<const std::uint8_t> frame);
    // Send a frame and read the one reply byte, without a drain before.
    std::uint8_t SendAndRead(std::span<const std::uint8_t> frame);

    CardPort& port_;
    WindowServices& window_;
};

}  // namespace kovex
