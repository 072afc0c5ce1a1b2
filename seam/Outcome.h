// How a command that needs the card ended, as a value its caller acts on:
// the window shows what it logged, kovexctl turns it into its exit status.
#pragma once

#include <string>
#include <utility>

namespace kovex {

enum class Ending {
    Done,
    NoCard,        // no card is open, or none was found
    InUse,         // another command holds the port, or another program the card
    Silent,        // the card did not answer for the give-up time
    KeepsSending,  // the card did not stop sending
    TimedOut,      // a programming line was not acknowledged in time
    Lost,          // the card's registers went away
    Absent,        // the status register reads all ones: nothing answers behind the bridge
    NotRunning,    // the card is not in the mode the command needs (run mode)
    Refused,       // an input that cannot be sent, or a file that cannot be used
    Declined,      // the user answered No; nothing was sent
    Interrupted,   // the program is closing or was told to stop
};

struct Outcome {
    Ending ending = Ending::Done;
    // The line that says why it did not end Done, as it was logged; empty
    // when Done, interrupted, or refused without a word.
    std::string text;
    // When the command had begun to change the card: when it ended and what
    // that leaves, e.g. "after the erase: the card holds no firmware;
    // program it again". Empty when nothing was at stake.
    std::string left;
    // The text was shown already (logged as a problem, or in a box) by the
    // handler: its caller does not say it again.
    bool shown = false;

    static Outcome Of(Ending ending, std::string text) {
        return {ending, std::move(text), {}, false};
    }
    static Outcome Shown(Ending ending, std::string text) {
        return {ending, std::move(text), {}, true};
    }
    bool Done() const { return ending == Ending::Done; }
    explicit operator bool() const { return Done(); }
};

// An outcome and what the command read from the card (valid when Done).
template <typename Value>
struct Reply {
    Outcome outcome;
    Value value{};
};

}  // namespace kovex
