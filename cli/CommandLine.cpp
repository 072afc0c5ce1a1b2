#include "cli/CommandLine.h"

#include <array>
#include <charconv>
#include <utility>

namespace kovex {
namespace {

struct NamedFault {
    const char* name;
    SimFault fault;
};
constexpr std::array<NamedFault, 3> SIM_FAULTS{{
    {"silent", SimFault::Silent},
    {"stuck-busy", SimFault::StuckBusy},
    {"endless", SimFault::Endless},
}};

class Parser {
public:
    explicit Parser(const std::vector<std::string>& words) : words_(words) {}

    ParsedCommandLine Parse() {
        while (next_ < words_.size() && result_.error.empty()) {
            const std::string& word = words_[next_++];
            if (optionsEnded_ || word.size() < 2 || word[0] != '-') {
                Positional(word);
            } else if (word == "--") {
                optionsEnded_ = true;
            } else {
                Option(word);
            }
        }
        if (result_.error.empty() && !line().help && line().command.empty()) {
            result_.error = "no command given";
        }
        return std::move(result_);
    }

private:
    CommandLine& line() { return result_.line; }

    void Positional(const std::string& word) {
        if (line().command.empty()) {
            line().command = word;
        } else {
            line().args.push_back(word);
        }
    }

    std::optional<std::string> Value(const std::string& option) {
        if (next_ == words_.size()) {
            result_.error = option + " needs a value";
            return std::nullopt;
        }
        return words_[next_++];
    }

    void Option(const std::string& word) {
        if (word == "--help" || word == "-h") {
            line().help = true;
        } else if (word == "--sim") {
            line().sim = true;
        } else if (word == "--sim-at-once") {
            line().simAtOnce = true;
        } else if (word == "--json") {
            line().json = true;
        } else if (word == "--yes" || word == "-y") {
            line().yes = true;
        } else if (word == "--sim-fault") {
            if (const auto value = Value(word)) Fault(*value);
        } else if (word == "--node" && line().command == "display") {
            if (const auto value = Value(word)) line().display.node = *value;
        } else if (word == "--device") {
            if (const auto value = Value(word)) Device(*value);
        } else if (word == "--wait-card") {
            WaitCard();
        } else if (word == "--sysfs-root") {
            if (const auto value = Value(word)) line().sysfsRoot = *value;
        } else {
            result_.error = "unknown option " + word;
        }
    }

    void Fault(const std::string& name) {
        for (const NamedFault& named : SIM_FAULTS) {
            if (name == named.name) {
                line().simFault = named.fault;
                return;
            }
        }
        result_.error = "unknown simulated fault " + name;
    }

    // The seconds are optional: the next word counts only when it is a number.
    void WaitCard() {
        line().waitCard.emplace();
        if (next_ == words_.size()) return;
        const std::string& value = words_[next_];
        unsigned seconds = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), seconds);
        if (value.empty() || error != std::errc{} || end != value.data() + value.size()) return;
        line().waitCard->limit = std::chrono::seconds(seconds);
        ++next_;
    }

    void Device(const std::string& value) {
        if (line().command == "display") {
            line().display.device = value;
            return;
        }
        line().device = ParsePciAddress(value);
        if (!line().device) result_.error = "not a PCI address: " + value + " (DOMAIN:BUS:SLOT.FN)";
    }

    const std::vector<std::string>& words_;
    std::size_t next_ = 0;
    bool optionsEnded_ = false;
    ParsedCommandLine result_;
};

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& words) {
    return Parser(words).Parse();
}

}  // namespace kovex
