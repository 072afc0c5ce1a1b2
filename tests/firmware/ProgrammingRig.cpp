#include "ProgrammingRig.h"

#include "firmware/HexLoader.h"
#include "link/CommandFrames.h"
#include "seam/SlotGuard.h"
#include "sim/CardCommands.h"
#include "support/HexText.h"

namespace kovex::testing {

void ProgrammingTest::SetUp() {
    sequence = std::make_unique<ProgrammingSequence>(
        rig->port, rig->window, [this](const std::string& path) { return ReadFile(path); });
    rig->Open();
    rig->state.CardMode = MODE_BEFORE;
    rig->card.State().startupChatter = {'K', 'O', 'V', 'E', 'X', '\r', '\n'};
    rig->card.Timing().replyDelay = 1ms;
}

void ProgrammingTest::TearDown() {
    EXPECT_EQ(rig->card.Mailbox().MalformedFrames(), 0);
    EXPECT_EQ(rig->card.Mailbox().WritesWhileBusy(), 0);
    EXPECT_EQ(rig->card.Mailbox().ReadsWhileEmpty(), 0);
    EXPECT_FALSE(rig->port.Taken());
}

void ProgrammingTest::Restart() {
    TearDown();
    sequence.reset();
    rig = std::make_unique<CardRig>();
    files.clear();
    SetUp();
}

FirmwareFile ProgrammingTest::ReadFile(const std::string& path) const {
    const auto found = files.find(path);
    if (found == files.end()) return ReadFirmwareFile(path);
    return FirmwareFile(std::vector<std::uint8_t>(found->second.begin(), found->second.end()));
}

void ProgrammingTest::Program(const std::string& hex) {
    files["kovex.hex"] = hex;
    rig->window.fileAnswers.emplace_back("kovex.hex");
    Click();
}

void ProgrammingTest::Click() {
    RunGuarded(rig->window, [this] { sequence->Button2Click(); });
}

void ProgrammingTest::WhenFirst(std::function<bool()> when, std::function<void()> action) {
    // Due at the next pump: one due now would run again within this one.
    rig->At(rig->clock.Now() + 1ns,
            [this, when = std::move(when), action = std::move(action)]() mutable {
                if (when()) {
                    action();
                } else {
                    WhenFirst(std::move(when), std::move(action));
                }
            });
}

std::vector<std::uint32_t> ProgrammingTest::LineAddresses() const {
    std::vector<std::uint32_t> addresses;
    for (const Frame& frame : rig->card.Mailbox().FramesReceived()) {
        if (frame[3] != CMD_PROGRAM_LINE) continue;
        const std::string address(frame.begin() + 8, frame.begin() + 12);
        addresses.push_back(static_cast<std::uint32_t>(std::stoul(address, nullptr, 16)));
    }
    return addresses;
}

std::vector<std::uint8_t> ProgrammingTest::Commands() const {
    std::vector<std::uint8_t> codes;
    for (const Frame& frame : rig->card.Mailbox().FramesReceived())
        codes.push_back(frame[3]);
    return codes;
}

std::vector<std::uint8_t> ProgrammingTest::CompletedRunCommands(std::size_t lines) {
    // Laid out at its final size: growing it trips GCC 12's -O3 bounds check.
    std::vector<std::uint8_t> codes(lines + 5, CMD_PROGRAM_LINE);
    codes[0] = CMD_RESET;
    codes[1] = CMD_ERASE;
    codes[lines + 2] = CMD_RESET;
    codes[lines + 3] = CMD_GET_VERSION;
    codes[lines + 4] = CMD_GET_MODE;
    return codes;
}

std::vector<std::string> ProgrammingTest::CompletedRunLog(
    const std::vector<std::uint32_t>& lines) const {
    char programmed[64];
    std::snprintf(programmed, sizeof programmed, "Programmed %zu lines, %04X-%04X", lines.size(),
                  lines.empty() ? 0 : lines.front(), lines.empty() ? 0 : lines.back() + 15);
    return {"Reading Hex file",
            "Reseting KOVEX",
            "Erasing KOVEX Firmware",
            "Programming KOVEX",
            lines.empty() ? "Programmed 0 lines" : programmed,
            "Reseting KOVEX",
            "Firmware version from KOVEX = " + FirmwareVersionText(rig->card.State().flash),
            "KOVEX Run Mode = 66"};
}

std::vector<std::string> ProgrammingTest::ProgressLabels(
    const std::vector<std::uint32_t>& addresses, std::uint32_t end) {
    std::vector<std::string> labels;
    for (const std::uint32_t address : addresses) {
        char text[32];
        std::snprintf(text, sizeof text, "Programming %04X of %04X", address, end);
        labels.emplace_back(text);
    }
    return labels;
}

std::map<std::uint32_t, std::uint8_t> ProgrammingTest::FlashOf(
    const std::string& hex, const std::vector<std::uint32_t>& addresses) {
    const HexImage image = LoadHexImage(Bytes(hex));
    std::map<std::uint32_t, std::uint8_t> flash;
    for (const std::uint32_t address : addresses) {
        for (std::uint32_t k = 0; k < 16; ++k)
            flash[address + k] = image.FirmwareImage[address - IMAGE_BASE + k];
    }
    return flash;
}

}  // namespace kovex::testing
