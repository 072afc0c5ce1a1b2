#include "cli/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "console/TextToInt.h"
#include "sim/ToolCard.h"

namespace kovex {
namespace {

// The row of the table that `matches`; null when none does.
template <typename Row, typename Matches>
const Row* FindRow(std::span<const Row> rows, Matches matches) {
    const auto found = std::find_if(rows.begin(), rows.end(), matches);
    return found == rows.end() ? nullptr : &*found;
}

const OptionSpec* FindOption(std::string_view name) {
    return FindRow(Options(), [name](const OptionSpec& o) {
        return o.name == name || (!o.alias.empty() && o.alias == name);
    });
}

const SimTestAid* FindSimAid(std::string_view name) {
    return FindRow(ToolCardTestAids(), [name](const SimTestAid& a) { return a.option == name; });
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

const CommandSpec* FindCommand(std::string_view name) {
    return FindRow(Commands(), [name](const CommandSpec& c) { return c.name == name; });
}

bool CommandTakes(const CommandSpec& command, Option option) {
    return std::find(command.options.begin(), command.options.end(), option) !=
           command.options.end();
}

// The whole word as a number, "2", "0.5" or "1e20", whatever its value.
std::optional<double> ParseNumber(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) return HUGE_VAL;
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// A number of seconds above 0 and at most a day.
std::optional<double> ParseSeconds(std::string_view text) {
    const auto value = ParseNumber(text);
    if (!value || !std::isfinite(*value) || *value <= 0 || *value > MOST_SECONDS) {
        return std::nullopt;
    }
    return value;
}

constexpr unsigned MOST_NUMBER = 254;

// "$", "x", "X", "0x" or "0X" start a hexadecimal number.
std::pair<std::string_view, unsigned> SplitBase(std::string_view token) {
    if (token.starts_with("0x") || token.starts_with("0X")) return {token.substr(2), 16};
    if (token.starts_with('$') || token.starts_with('x') || token.starts_with('X')) {
        return {token.substr(1), 16};
    }
    return {token, 10};
}

// A word that starts with "-" and a digit is a negative number, not an option.
bool LooksLikeOption(const std::string& word) {
    return word.size() >= 2 && word[0] == '-' && (word[1] < '0' || word[1] > '9');
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& words) : words_(words) {}

    ParsedCommandLine Parse() {
        while (next_ < words_.size() && Good()) {
            const std::string& word = words_[next_++];
            if (optionsEnded_ || !LooksLikeOption(word)) {
                positional_.push_back(word);
            } else if (word == "--") {
                optionsEnded_ = true;
            } else {
                Option(word);
            }
        }
        if (Good()) Command();
        if (Good() && line().command != nullptr) CheckOptionsTaken();
        if (Good()) CheckCombinations();
        if (Good() && line().command != nullptr && line().command->numberArgs) CheckNumberArgs();
        if (!Good()) FindJsonAfterError();
        return std::move(result_);
    }

private:
    CommandLine& line() { return result_.line; }
    bool Good() const { return result_.error.empty(); }
    void Fail(std::string error) {
        if (Good()) result_.error = std::move(error);
    }

    void Option(const std::string& word) {
        // --name=value gives the value in the same word.
        const auto equals = word.find('=');
        const std::string name = word.substr(0, equals);
        std::optional<std::string> inlineValue;
        if (equals != std::string::npos) inlineValue = word.substr(equals + 1);
        if (const SimTestAid* aid = FindSimAid(name)) {
            SimAid(*aid, inlineValue);
        } else if (const OptionSpec* row = FindOption(name)) {
            Known(*row, inlineValue);
        } else {
            Fail("unknown option " + name);
        }
    }

    std::optional<std::string> Value(std::string_view name, std::optional<std::string> given) {
        if (given) return given;
        if (next_ == words_.size()) {
            Fail(std::string(name) + " needs a value");
            return std::nullopt;
        }
        return words_[next_++];
    }

    void SimAid(const SimTestAid& aid, std::optional<std::string> inlineValue) {
        std::optional<std::string> value;
        if (!aid.valueName.empty()) {
            value = Value(aid.option, std::move(inlineValue));
            if (!value) return;
        } else if (inlineValue) {
            // --sim-at-once=ADDRESS: the card it is for.
            value = std::move(inlineValue);
        }
        line().simAids.push_back({std::string(aid.option), std::move(value)});
    }

    void Known(const OptionSpec& row, std::optional<std::string> inlineValue) {
        given_.push_back(&row);
        std::optional<std::string> value;
        if (row.value == OptionValue::Required) {
            value = Value(row.name, std::move(inlineValue));
            if (!value) return;
        } else if (row.value == OptionValue::OptionalNumber) {
            value = std::move(inlineValue);
            // The next word is the option's value only when it is a number.
            if (!value && next_ < words_.size() && ParseNumber(words_[next_])) {
                value = words_[next_++];
            }
        } else if (inlineValue) {
            Fail(std::string(row.name) + " takes no value");
            return;
        }
        Apply(row, value);
    }

    void Apply(const OptionSpec& row, const std::optional<std::string>& value) {
        CommandLine& l = line();
        if (row.flag != nullptr) {
            l.*row.flag = true;
        } else if (row.option == Option::Device) {
            Device(*value);
        } else if (row.option == Option::Timeout) {
            l.timeoutSeconds = Seconds(row, *value);
        } else if (row.option == Option::WaitCard) {
            l.waitCard = true;
            if (value) l.waitSeconds = Seconds(row, *value);
        } else if (row.option == Option::ExpectVersion) {
            l.expectVersion = *value;
        } else if (row.option == Option::Node) {
            l.node = Number(row, *value);
        } else if (row.option == Option::NodeDevice) {
            l.nodeDevice = Number(row, *value);
        } else if (row.option == Option::SysfsRoot) {
            l.sysfsRoot = *value;
        } else if (row.option == Option::Capture) {
            l.capture = *value;
        } else if (row.option == Option::SimReplay) {
            l.replay = *value;
        } else if (row.option == Option::Count) {
            l.followCount = Count(row, *value);
        } else if (row.option == Option::For) {
            l.followSeconds = Seconds(row, *value);
        }
    }

    std::optional<double> Seconds(const OptionSpec& row, const std::string& value) {
        const auto seconds = ParseSeconds(value);
        if (!seconds) {
            Fail(std::string(row.name) +
                 " takes a number of seconds above 0 and at most 86400 (a day), not " + value);
        }
        return seconds;
    }

    std::optional<unsigned> Count(const OptionSpec& row, const std::string& value) {
        const auto count = ParseNumber(value);
        if (!count || *count < 1 || *count > MOST_FOLLOW_COUNT || *count != std::floor(*count)) {
            Fail(std::string(row.name) + " takes a whole number from 1 to " +
                 std::to_string(MOST_FOLLOW_COUNT) + ", not " + value);
            return std::nullopt;
        }
        return static_cast<unsigned>(*count);
    }

    std::string Number(const OptionSpec& row, const std::string& value) {
        if (!IsNumberToken(value)) {
            Fail(std::string(row.name) + " takes a number " + std::string(NUMBER_RULE) + ", not " +
                 value);
        }
        return value;
    }

    // Each blank-separated word of the arguments, as the handler would read it.
    void CheckNumberArgs() {
        for (const std::string& arg : line().args) {
            for (std::string_view rest = TrimBlanks(arg); !rest.empty(); rest = TrimBlanks(rest)) {
                const std::string_view token = rest.substr(0, FindBlank(rest));
                rest.remove_prefix(token.size());
                if (!IsNumberToken(token)) {
                    Fail(line().commandName + " takes numbers " + std::string(NUMBER_RULE) +
                         ", not " + std::string(token));
                    return;
                }
            }
        }
    }

    // A usage error stops the reading; a --json further on still asks for
    // the refusal as JSON.
    void FindJsonAfterError() {
        if (optionsEnded_) return;
        for (; next_ < words_.size() && words_[next_] != "--"; ++next_) {
            if (words_[next_] == "--json") line().json = true;
        }
    }

    void Device(const std::string& value) {
        if (value == "all") {
            line().allDevices = true;
            return;
        }
        line().device = ParseDeviceAddress(value);
        if (!line().device) {
            Fail("not a PCI address: " + value +
                 " (DOMAIN:BUS:SLOT.FN or BUS:SLOT.FN, e.g. 0000:03:07.0; the display's device "
                 "is --node-device)");
        }
    }

    // The command is its first word, or its first two where the table has
    // the pair ("poll-list set"); the rest are its arguments.
    void Command() {
        if (positional_.empty()) {
            if (!line().help && !line().version) Fail("no command given");
            return;
        }
        std::size_t used = 1;
        std::string name = positional_[0];
        if (positional_.size() > 1 && FindCommand(name + " " + positional_[1]) != nullptr) {
            name += " " + positional_[1];
            used = 2;
        }
        line().commandName = name;
        line().args.assign(positional_.begin() + static_cast<std::ptrdiff_t>(used),
                           positional_.end());
        const CommandSpec* command = FindCommand(name);
        if (command == nullptr) {
            Fail(SubcommandsOf(name).empty() ? "unknown command " + name
                                             : name + " takes " + SubcommandsOf(name));
            return;
        }
        line().command = command;
        const std::size_t count = line().args.size();
        if (count >= command->fewestArgs && count <= command->mostArgs) return;
        if (!command->arguments.empty()) {
            Fail(name + " takes " + std::string(command->arguments));
        } else if (const std::string subcommands = SubcommandsOf(name); !subcommands.empty()) {
            Fail(name + " takes " + subcommands + " or nothing");
        } else {
            Fail(name + " takes no arguments");
        }
    }

    // "run or boot" for "mode", from the table.
    static std::string SubcommandsOf(const std::string& group) {
        std::string words;
        for (const CommandSpec& command : Commands()) {
            const std::string_view name = command.name;
            if (!name.starts_with(group + " ")) continue;
            if (!words.empty()) words += " or ";
            words += name.substr(group.size() + 1);
        }
        return words;
    }

    void CheckOptionsTaken() {
        const CommandSpec& command = *line().command;
        for (const OptionSpec* row : given_) {
            if (row->global || CommandTakes(command, row->option)) continue;
            Fail(std::string(command.name) + " does not take " + std::string(row->name));
        }
    }

    void CheckCombinations() {
        if (line().replay && !line().simAids.empty()) {
            Fail("the simulated card's test aids (" + line().simAids.front().name +
                 ") do not apply to --sim-replay: the capture says what the card does");
        }
        if (line().replay && line().allDevices) {
            Fail("--sim-replay stands in for one card; --device all is not taken with it");
        }
        if (!line().sim && !line().simAids.empty()) {
            Fail("the simulated card's test aids (" + line().simAids.front().name + ") need --sim");
        }
        if (!line().follow && (line().followCount || line().followSeconds)) {
            Fail(std::string(line().followCount ? "--count" : "--for") + " needs --follow");
        }
        if (line().follow && line().allDevices) {
            Fail("--follow watches one card; give it --device ADDRESS");
        }
        const CommandSpec* command = line().command;
        if (command != nullptr && !command->opensCard && line().allDevices) {
            Fail(std::string(command->name) +
                 " lists every device already; --device all is for "
                 "the card commands");
        }
    }

    const std::vector<std::string>& words_;
    std::size_t next_ = 0;
    bool optionsEnded_ = false;
    std::vector<std::string> positional_;
    std::vector<const OptionSpec*> given_;
    ParsedCommandLine result_;
};

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& words) {
    return Parser(words).Parse();
}

bool IsNumberToken(std::string_view token) {
    const auto [digits, base] = SplitBase(token);
    if (digits.empty()) return false;
    unsigned value = 0;
    for (const char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
        // Past the range already: no more digits can bring it back.
        value = std::min(value * base + static_cast<unsigned>(digit), MOST_NUMBER + 1);
    }
    return value <= MOST_NUMBER;
}

std::optional<PciAddress> ParseDeviceAddress(std::string_view text) {
    if (auto address = ParsePciAddress(text)) return address;
    return ParsePciAddress("0000:" + std::string(text));
}

}  // namespace kovex
