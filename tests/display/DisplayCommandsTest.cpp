#include "display/core/DisplayCommands.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeDisplay.h"

namespace kovex::testing {
namespace {

using Texts = std::vector<std::string>;

struct CommandCase {
    const char* name;
    std::map<DisplayEdit, std::string> edits;
    std::function<void(DisplayCommands&)> click;
    Texts sent;
    Texts boxes;
};

TEST(DisplayCommandsTest, EachCommandSendsItsExactText) {
    const auto save = [](DisplayCommands& c) { c.Button2Click(); };
    const auto display = [](DisplayCommands& c) { c.Button3Click(); };
    const auto clear = [](DisplayCommands& c) { c.Button4Click(); };
    const auto setXY = [](DisplayCommands& c) { c.Button5Click(); };
    const auto sendText = [](DisplayCommands& c) { c.Button6Click(); };
    const Texts saved{"Saved"};
    const std::vector<CommandCase> cases{
        {"save 7x", {{DisplayEdit::Edit3, "7x"}}, save, {"10 34 13 7"}, saved},
        {"save space 7", {{DisplayEdit::Edit3, " 7"}}, save, {"10 34 13 7"}, saved},
        {"save abc", {{DisplayEdit::Edit3, "abc"}}, save, {"10 34 13 0"}, saved},
        {"save empty", {{DisplayEdit::Edit3, ""}}, save, {"10 34 13 0"}, saved},
        {"save -2", {{DisplayEdit::Edit3, "-2"}}, save, {"10 34 13 -2"}, saved},
        {"display", {{DisplayEdit::Edit3, "$1F"}}, display, {"10 34 12 31"}, {}},
        {"clear, node 11",
         {{DisplayEdit::Edit1, "11"}, {DisplayEdit::Edit2, "7"}},
         clear,
         {"10 34 2"},
         {}},
        {"set xy",
         {{DisplayEdit::Edit4, "12"}, {DisplayEdit::Edit5, "30"}},
         setXY,
         {"10 34 5 12 30"},
         {}},
        {"set xy, x empty",
         {{DisplayEdit::Edit4, ""}, {DisplayEdit::Edit5, "30"}},
         setXY,
         {"10 34 5  30"},
         {}},
        {"send empty", {{DisplayEdit::Edit6, ""}}, sendText, {"10 34 6 "}, {}},
        {"send AB", {{DisplayEdit::Edit6, "AB"}}, sendText, {"10 34 6 65 66 "}, {}},
        {"send default", {}, sendText, {"10 34 6 72 101 108 108 111 32 87 111 114 108 100 "}, {}},
        {"send latin-1 e acute",
         {{DisplayEdit::Edit6, "\xC3\xA9"}},
         sendText,
         {"10 34 6 233 "},
         {}},
        {"font 10x14 twice",
         {{DisplayEdit::Edit1, "11"}},
         [](DisplayCommands& c) {
             c.RadioGroup1Click(1);
             c.RadioGroup1Click(1);
             c.RadioGroup1Click(0);
         },
         {"10 34 15 1", "10 34 15 0"},
         {}},
    };
    for (const CommandCase& c : cases) {
        FakeDisplayWindow window;
        for (const auto& [edit, text] : c.edits)
            window.edits[edit] = text;
        RecordingSink sink;
        DisplayCommands commands(window, sink);
        c.click(commands);
        EXPECT_EQ(sink.texts, c.sent) << c.name;
        EXPECT_EQ(window.messages, c.boxes) << c.name;
    }
}

TEST(DisplayCommandsTest, ACommandNotSentSaysWhyInsteadOfSaved) {
    FakeDisplayWindow window;
    RecordingSink sink;
    sink.refuseAfter = 0;
    DisplayCommands commands(window, sink);
    commands.Button2Click();
    sink.why.clear();
    commands.RadioGroup1Click(1);
    sink.refuseAfter.reset();
    commands.RadioGroup1Click(1);  // the font that did not go out is sent again
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.errors,
              (Texts{"The display command was not sent: Card busy.",
                     "The display command was not sent: the card did not take it."}));
    EXPECT_EQ(sink.texts, Texts{"10 34 15 1"});
}

TEST(DisplayCommandsTest, SendTextRefusesWhatCannotTravelAndSendsNothing) {
    struct Case {
        std::string text;
        std::string box;
    };
    const std::vector<Case> cases{
        {std::string(247, 'a'),
         "Send Text carries at most 246 characters; this text has 247. Nothing was sent."},
        {"a\xE2\x82\xAC",
         "Character 2 of the text, U+20AC, has no ISO 8859-1 code. Nothing was sent."},
        {"ab\xC3\xBF",
         "Character 3 of the text, U+00FF, has the code 255, which ends a frame. Nothing was "
         "sent."},
        {"\xFF", "Character 1 of the text, U+FFFD, has no ISO 8859-1 code. Nothing was sent."},
        {"a\xF0\x9F\x98\x80",
         "Character 2 of the text, U+1F600, has no ISO 8859-1 code. Nothing was sent."},
    };
    for (const Case& c : cases) {
        FakeDisplayWindow window;
        window.edits[DisplayEdit::Edit6] = c.text;
        RecordingSink sink;
        DisplayCommands(window, sink).Button6Click();
        EXPECT_TRUE(sink.texts.empty()) << c.box;
        EXPECT_EQ(window.messages, Texts{c.box});
    }
    // 246 characters, two bytes each in UTF-8, still fit.
    std::string longest;
    for (int i = 0; i < 246; ++i)
        longest += "\xC3\xA9";
    EXPECT_TRUE(BuildDisplayText(longest).text.has_value());
}

}  // namespace
}  // namespace kovex::testing
