// Label1 after a run: why it stopped, never the progress of an earlier run.
#include <stdexcept>

#include "ProgrammingRig.h"
#include "support/HexText.h"

namespace kovex::testing {
namespace {

const std::string kStaleProgress = "Programming 2C70 of 2CBF";

// Until the first line has reached the card.
bool FirstLineSent(const SimulatedCard& card) {
    return card.Mailbox().FramesReceived().size() == 3;
}

TEST_F(ProgrammingTest, Label1EndsEachRunSayingHowItEnded) {
    const std::string good = HexFile({DataRecord(0x2000, 16, 0x11), END_RECORD});
    const std::string damaged =
        HexFile({DataRecord(0x2000, 16, 0x11), ":0220100012340F", END_RECORD});
    const std::string unusual =
        HexFile({DataRecord(0x2000, 16, 0x11), HexRecord(0, 0x06, {}), END_RECORD});
    using Step = std::function<void()>;
    const auto programGood = [this, good] { Program(good); };
    const auto faultAfterFirstLine = [this,
                                      programGood](const std::function<void(CardRig&)>& fault) {
        return [this, programGood, fault] {
            WhenFirst([this] { return FirstLineSent(rig->card); }, [this, fault] { fault(*rig); });
            programGood();
        };
    };
    struct Case {
        const char* name;
        Step run;
        std::string label;
    };
    const Case cases[] = {
        // The last line's progress stays after a completed run.
        {"programmed", programGood, "Programming 2030 of 203F"},
        {"a line not acknowledged",
         [this, programGood] {
             rig->card.Faults().noAckAtLine = 1;
             programGood();
         },
         "Programming timed out"},
        {"the card stays busy",
         faultAfterFirstLine([](CardRig& r) { r.card.Faults().stuckTxBusy = true; }),
         std::string(STOPPED_SILENT_LABEL)},
        // The next line's acknowledgement never comes.
        {"the card falls silent",
         faultAfterFirstLine([](CardRig& r) { r.card.Faults().silent = true; }),
         "Programming timed out"},
        {"the card keeps sending",
         faultAfterFirstLine([](CardRig& r) { r.card.Faults().endlessStream = true; }),
         std::string(STOPPED_SENDING_LABEL)},
        {"the program closes", faultAfterFirstLine([](CardRig& r) { r.state.Closing = true; }),
         std::string(STOPPED_INTERRUPTED_LABEL)},
        {"the file cannot be read",
         [this] {
             rig->window.fileAnswers.emplace_back("/nonexistent/kovex.hex");
             Click();
         },
         std::string(REFUSED_FILE_LABEL)},
        {"a damaged file", [this, damaged] { Program(damaged); }, std::string(REFUSED_FILE_LABEL)},
        {"the user answers No", [this, unusual] { Program(unusual); }, std::string(DECLINED_LABEL)},
        {"an unexpected error",
         [this] {
             sequence = std::make_unique<ProgrammingSequence>(
                 rig->port, rig->window,
                 [](const std::string&) -> FirmwareFile { throw std::logic_error("unexpected"); });
             rig->window.fileAnswers.emplace_back("kovex.hex");
             Click();
         },
         std::string(STOPPED_ERROR_LABEL)},
        // No run: what the label showed stays.
        {"the dialog cancelled", [this] { Click(); }, kStaleProgress},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        rig->window.label = kStaleProgress;
        c.run();
        EXPECT_EQ(rig->window.label, c.label);
    }
}

}  // namespace
}  // namespace kovex::testing
