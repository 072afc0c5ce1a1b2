// kovexctl's command line read in process: what each line parses to, and
// the exact refusal of each line it cannot use.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/LogText.h"

namespace kovex::testing {
namespace {

using Words = std::vector<std::string>;

const std::string NUMBERS = "numbers from 0 to 254 (decimal, or hex after $, x or 0x), not ";
const std::string A_NUMBER = "a number from 0 to 254 (decimal, or hex after $, x or 0x), not ";
const std::string SECONDS = "a number of seconds above 0 and at most 86400 (a day), not ";

TEST(CommandLine, RefusesEachLineItCannotUseWithItsReason) {
    const std::pair<Words, std::string> cases[] = {
        {{"send", "4294967306 0 7"}, "send takes " + NUMBERS + "4294967306"},
        {{"send", "10 0 7x"}, "send takes " + NUMBERS + "7x"},
        {{"send", "10", "$FF", "7"}, "send takes " + NUMBERS + "$FF"},
        {{"send", "10 0x 7"}, "send takes " + NUMBERS + "0x"},
        {{"send", "+10 0 7"}, "send takes " + NUMBERS + "+10"},
        {{"poll-list", "set", "10,12"}, "poll-list set takes " + NUMBERS + "10,12"},
        {{"poll-list", "set", "10", "12abc"}, "poll-list set takes " + NUMBERS + "12abc"},
        {{"--node", "1O", "display", "upload", "a.bmp"}, "--node takes " + A_NUMBER + "1O"},
        {{"display", "upload", "a.bmp", "--node-device=-1"},
         "--node-device takes " + A_NUMBER + "-1"},
        {{"--timeout", "1e10", "version"}, "--timeout takes " + SECONDS + "1e10"},
        {{"--timeout", "1e300", "version"}, "--timeout takes " + SECONDS + "1e300"},
        {{"--timeout", "0", "version"}, "--timeout takes " + SECONDS + "0"},
        {{"--timeout", "nan", "version"}, "--timeout takes " + SECONDS + "nan"},
        {{"--wait-card", "1e20", "version"}, "--wait-card takes " + SECONDS + "1e20"},
        {{"--frob", "version"}, "unknown option --frob"},
        {{"version", "--yes"}, "version does not take --yes"},
        {{"mode", "fast"}, "mode takes run or boot or nothing"},
    };
    for (const auto& [words, error] : cases)
        EXPECT_EQ(ParseCommandLine(words).error, error) << words.front();
}

TEST(CommandLine, TakesWholeNumbersAndTimesUpToADay) {
    const ParsedCommandLine sent =
        ParseCommandLine({"send", "10 0x0A $1f", "x7 254", "--timeout", "86400"});
    EXPECT_EQ(sent.error, "");
    EXPECT_EQ(sent.line.args, (Words{"10 0x0A $1f", "x7 254"}));
    EXPECT_EQ(sent.line.timeoutSeconds, 86400.0);
    const ParsedCommandLine waiting = ParseCommandLine({"--wait-card", "version"});
    EXPECT_EQ(waiting.error, "");
    EXPECT_TRUE(waiting.line.waitCard);
    EXPECT_FALSE(waiting.line.waitSeconds);
    EXPECT_EQ(waiting.line.commandName, "version");
}

TEST(CommandLine, JsonAnywhereOnTheLineAsksForTheRefusalAsJson) {
    const std::pair<Words, bool> cases[] = {
        {{"--frob", "--json", "version"}, true},
        {{"--timeout", "x", "version", "--json"}, true},
        {{"--frob", "version"}, false},
        {{"--frob", "--", "--json"}, false},
    };
    for (const auto& [words, json] : cases) {
        const ParsedCommandLine parsed = ParseCommandLine(words);
        EXPECT_FALSE(parsed.error.empty()) << words[1];
        EXPECT_EQ(parsed.line.json, json) << words[1];
    }
}

// Nothing of ours reaches a terminal raw: controls, C1 controls and bytes
// that are not UTF-8 become "?"; UTF-8 text is converted only once.
TEST(TerminalText, ShowsOnlyPrintableUtf8) {
    const std::pair<std::string, std::string> shown[] = {
        {"pr\xC3\xBC"
         "fung",
         "pr\xC3\xBC"
         "fung"},
        {"a\x1B[2Jb", "a?[2Jb"},
        {"a\x9B"
         "31mb",
         "a?31mb"},
        {"a\xC2\x9B"
         "b",
         "a?b"},
        {"cut \xE2\x82", "cut ??"},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"\xED\xA0\x80", "???"},
    };
    for (const auto& [text, terminal] : shown)
        EXPECT_EQ(TerminalText(text), terminal) << text;
    EXPECT_EQ(MessageToUtf8("pr\xC3\xBC"
                            "fung.hex"),
              "pr\xC3\xBC"
              "fung.hex");
    EXPECT_EQ(MessageToUtf8("pr\xFC"
                            "fung.hex"),
              "pr\xC3\xBC"
              "fung.hex");
}

}  // namespace
}  // namespace kovex::testing
