// kovexctl's runs in process, on the simulated card and virtual time: each
// command's exact result on standard output, its exact lines on standard
// error, its exit status, and the JSON object it prints on every path.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>
#include <vector>

#include "VirtualRun.h"
#include "cli/Run.h"
#include "support/CapturedFile.h"

namespace kovex::testing {
namespace {

const std::string DATA = KOVEX_CLI_DATA_DIR;
const std::string HELP = "kovexctl: try 'kovexctl --help'\n";

std::string Lines(const std::vector<std::string>& lines, const std::string& prefix = "") {
    std::string text;
    for (const std::string& line : lines)
        text += prefix + line + "\n";
    return text;
}

// A run of Program KOVEX to its end: its steps, and on standard error the
// steps as progress with the percentage of lines sent.
struct ProgramRun {
    std::string out;
    std::string err;
};
ProgramRun Programmed(int lines, const std::string& range, const std::string& crc) {
    const std::vector<std::string> before{"Reading Hex file", "Reseting KOVEX",
                                          "Erasing KOVEX Firmware", "Programming KOVEX"};
    const std::vector<std::string> after{
        "Programmed " + std::to_string(lines) + " line" + (lines == 1 ? "" : "s") + range,
        "Reseting KOVEX", "Firmware version from KOVEX = KOVEX FW crc32=" + crc,
        "KOVEX Run Mode = 66"};
    std::string percent;
    for (int sent = 0; sent <= lines; ++sent) {
        const int share = lines == 0 ? 100 : 100 * sent / lines;
        percent += "kovexctl: Programming: " + std::to_string(share) + "% (" +
                   std::to_string(sent) + " of " + std::to_string(lines) + " lines)\n";
    }
    return {Lines(before) + Lines(after),
            Lines(before, "kovexctl: ") + percent + Lines(after, "kovexctl: ")};
}

TEST(CardSession, EachCommandPrintsItsResultAndSaysWhyItFailed) {
    const ProgramRun four = Programmed(4, ", 2000-203F", "100ECE8C");
    const ProgramRun blank = Programmed(0, "", "00000000");
    const std::string numbers = "numbers from 0 to 254 (decimal, or hex after $, x or 0x), not ";
    struct Case {
        std::vector<std::string> words;
        int status;
        std::string out;
        std::string err;
    };
    const std::vector<Case> cases{
        {{"list"},
         0,
         "0000:00:00.0 8086:1237\n0000:00:03.0 10ec:8139\n0000:03:07.0 10b5:9030 card *\n",
         ""},
        {{"version"}, 0, "Firmware version from KOVEX = KOVEX 2.14 sim\n", ""},
        {{"mode"}, 0, "KOVEX Run Mode = 66\n", ""},
        {{"mode", "run"}, 0, "KOVEX Responded = 102\n", ""},
        {{"mode", "boot"}, 0, "KOVEX Responded = 153\n", ""},
        {{"poll-speed"}, 0, "Poll speed = 20\n", ""},
        {{"clear-buffer"}, 0, "KOVEX Responded = 0\n", ""},
        {{"poll-list", "get"}, 0, "Poll list   =  10 12\nNode status =  1 1\n", ""},
        {{"poll-list", "set", "10", "12"},
         0,
         Lines({"Adding poll list item 0 (10)", "Adding poll list item 1 (12)",
                "Adding poll list item 2 (0)", "Setting poll list to  10 12 0"}),
         Lines({"Adding poll list item 0 (10)", "Adding poll list item 1 (12)",
                "Adding poll list item 2 (0)", "Setting poll list to  10 12 0"},
               "kovexctl: ")},
        {{"messages"}, 0, "No messages available\n", ""},
        {{"loopback"}, 0, "KOVEX Responded = 0 Packets sent, 0 Packets recieved\n", ""},
        {{"send", "10 0 7"}, 0, "Sent:  00 5A F0 0A 05 01 0A 00 07 00 FF\n", ""},
        {{"display", "clear"}, 0, "Sent:  00 5A F0 0A 05 01 0A 22 02 00 FF\n", ""},
        {{"display", "text", "Hi"}, 0, "Sent:  00 5A F0 0A 07 01 0A 22 06 02 48 69 FF\n", ""},
        {{"program", DATA + "/four-lines.hex"}, 0, four.out, four.err},
        {{"--yes", "program", DATA + "/blank.hex"}, 0, blank.out, blank.err},
        // Failures: nothing on standard output (but the bus listing), the
        // reason once on standard error.
        {{"program", DATA + "/four-lines.hex", "--expect-version", "KOVEX 9"},
         5,
         "",
         four.err + "kovexctl: the card reports firmware version \"KOVEX FW crc32=100ECE8C\", "
                    "not \"KOVEX 9\" as expected\n"},
        {{"program", DATA + "/none.hex"},
         2,
         "",
         "kovexctl: Reading Hex file\nkovexctl: Cannot read the firmware file " + DATA +
             "/none.hex: No such file or directory.\n"},
        {{"poll-list", "set", "10", "255"},
         2,
         "",
         "kovexctl: poll-list set takes " + numbers + "255\n" + HELP},
        {{"send", "x y z"}, 2, "", "kovexctl: send takes " + numbers + "x\n" + HELP},
        {{"send", "1"},
         2,
         "",
         "kovexctl: a node message needs node, device and command, e.g. \"10 0 7\"\n"},
        {{"display", "text", "\xE2\x82\xAC"},
         2,
         "",
         "kovexctl: Character 1 of the text, U+20AC, has no ISO 8859-1 code. Nothing was sent.\n"},
        {{"--sim-fault", "endless", "version"},
         1,
         "",
         "kovexctl: KOVEX keeps sending: 4096 bytes thrown away; command abandoned\n"},
        {{"--sim-fault", "silent", "--timeout", "0.2", "version"},
         1,
         "",
         "kovexctl: KOVEX did not answer within 0.2 s; command abandoned\n"},
        {{"--sim-fault", "stuck-busy", "send", "10 0 7"},
         1,
         "",
         "kovexctl: waiting for the card (Ctrl-C stops)\n"
         "kovexctl: KOVEX did not answer within 10 s; command abandoned\n"},
        {{"--device", "0000:03:08.0", "version"},
         4,
         "",
         "kovexctl: no PCI 9030 at 0000:03:08.0 (kovexctl list shows the bus)\n"},
        {{"--device", "0000:03:08.0", "list"},
         4,
         "0000:00:00.0 8086:1237\n0000:00:03.0 10ec:8139\n0000:03:07.0 10b5:9030 card\n",
         "kovexctl: no PCI 9030 at 0000:03:08.0\n"},
        {{"flash"}, 2, "", "kovexctl: unknown command flash\n" + HELP},
        {{"display", "text", "hi", "--node", "12"},
         2,
         "",
         "kovexctl: display text does not take --node\n" + HELP},
        {{"--node", "256", "display", "upload", "x.bmp"},
         2,
         "",
         "kovexctl: --node takes a number from 0 to 254 (decimal, or hex after $, x or 0x), not "
         "256\n" +
             HELP},
        {{"mode", "fast"}, 2, "", "kovexctl: mode takes run or boot or nothing\n" + HELP},
    };
    for (const Case& c : cases) {
        const VirtualRun run = RunOnVirtualTime(c.words);
        EXPECT_EQ(run.status, c.status) << c.words.front() << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.words.front();
        EXPECT_EQ(run.err, c.err) << c.words.front();
    }
}

// Every exit path prints one JSON object whose "exit" is the real status,
// whose errors say why, and whose strings are valid whatever bytes came in.
TEST(CardSession, JsonOnEveryPathCarriesTheRealStatusAndTheValues) {
    struct JsonCase {
        std::vector<std::string> words;
        const char* errorCode;  // null: done, no errors
        const char* valueKey;   // a value the command reads, or null
    };
    const std::vector<JsonCase> cases{
        {{"version", "--json"}, nullptr, "firmware_version"},
        {{"--json", "poll-list", "get"}, nullptr, "node_status"},
        {{"--json", "loopback"}, nullptr, "packets_received"},
        {{"--json", "program", DATA + "/four-lines.hex"}, nullptr, "last_address"},
        {{"--json", "send", "10 0 \xFF\xFE"}, "usage", nullptr},
        {{"--json", "display", "text", "\xE2\x82\xAC"}, "refused", nullptr},
        {{"--json", "flash", "\xC3"}, "usage", nullptr},
        {{"--frob", "\x9B", "--json", "version"}, "usage", nullptr},
        {{"--json", "--sim-fault", "silent", "--timeout", "0.2", "mode"}, "silent", nullptr},
        {{"--json", "--device", "0000:03:08.0", "mode"}, "no_card", nullptr},
        {{"--json", "--yes", "program", DATA + "/blank.hex"}, nullptr, "lines"},
    };
    for (const JsonCase& c : cases) {
        const VirtualRun run = RunOnVirtualTime(c.words);
        QJsonParseError error{};
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out;
        const QJsonObject object = document.object();
        EXPECT_EQ(object["exit"].toInt(-1), run.status) << run.out;
        const QJsonArray errors = object["errors"].toArray();
        if (c.errorCode == nullptr) {
            EXPECT_EQ(run.status, 0) << run.out;
            EXPECT_TRUE(errors.isEmpty()) << run.out;
        } else {
            ASSERT_FALSE(errors.isEmpty()) << run.out;
            EXPECT_EQ(errors.last()["code"].toString().toStdString(), c.errorCode) << run.out;
        }
        if (c.valueKey != nullptr) {
            EXPECT_TRUE(object["values"].toObject().contains(c.valueKey)) << run.out;
            EXPECT_EQ(object["device"].toString().toStdString(), "0000:03:07.0");
        }
    }
}

}  // namespace
}  // namespace kovex::testing
