// Program KOVEX against the simulated card: the sequence, a scripted file
// dialog that serves HEX texts from memory (other paths are read from disk),
// and what reached the card.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "firmware/ProgrammingSequence.h"
#include "support/CardRig.h"

namespace kovex::testing {

class ProgrammingTest : public ::testing::Test {
protected:
    static constexpr std::uint8_t MODE_BEFORE = 0x99;

    void SetUp() override;
    void TearDown() override;
    // Checks what TearDown checks, then starts over with a new card.
    void Restart();

    // Chooses a file holding hex in the dialog, then clicks Program KOVEX.
    void Program(const std::string& hex);
    // Clicks Program KOVEX as the window does: errors go to the error box.
    void Click();
    // Runs action once, at the first pump where when() holds.
    void WhenFirst(std::function<bool()> when, std::function<void()> action);

    // The card addresses of the program lines that reached the card.
    std::vector<std::uint32_t> LineAddresses() const;
    // The command code of every frame that reached the card.
    std::vector<std::uint8_t> Commands() const;
    // RESET, ERASE, one program line per address, RESET, GET_VERSION, GET_MODE.
    static std::vector<std::uint8_t> CompletedRunCommands(std::size_t lines);
    // The log of a completed run that sent these lines (default: one record at 2000).
    std::vector<std::string> CompletedRunLog(const std::vector<std::uint32_t>& lines = {
                                                 0x2000, 0x2010, 0x2020, 0x2030}) const;
    static std::vector<std::string> ProgressLabels(const std::vector<std::uint32_t>& addresses,
                                                   std::uint32_t end);
    // The flash the card must hold after these lines of image.
    static std::map<std::uint32_t, std::uint8_t> FlashOf(
        const std::string& hex, const std::vector<std::uint32_t>& addresses);

    // Serves the texts in files; reads any other path from disk.
    FirmwareFile ReadFile(const std::string& path) const;

    std::unique_ptr<CardRig> rig = std::make_unique<CardRig>();
    std::unique_ptr<ProgrammingSequence> sequence;
    std::map<std::string, std::string> files;
};

}  // namespace kovex::testing
