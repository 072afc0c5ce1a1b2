#include <gtest/gtest.h>

#include "link/CardPort.h"
#include "seam/SlotGuard.h"
#include "support/FakeWindow.h"

namespace kovex::testing {
namespace {

TEST(SlotGuard, AddsAFullStopWhenTheLastCharacterSortsAfterIt) {
    const std::pair<std::string, std::string> cases[] = {
        {"File not found", "File not found."},
        {"Bad line 7", "Bad line 7."},
        {"Done.", "Done."},
        {"Stop!", "Stop!"},
        {"(see log)", "(see log)"},
        {"a/", "a/."},
        {"", ""},
        {"x-", "x-"},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(WithFullStop(message), shown) << message;
}

TEST(SlotGuard, TurnsErrorsIntoTheErrorBoxAndEndsQuietlyOnClose) {
    struct Case {
        const char* name;
        std::function<void()> handler;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {"runtime error",
         [] { throw std::runtime_error("Cannot open file"); },
         {"Cannot open file."}},
        {"closing window", [] { throw WindowClosing(); }, {}},
        {"unknown", [] { throw 42; }, {"Unknown error."}},
        {"no error", [] {}, {}},
    };
    for (const Case& c : cases) {
        FakeWindow window;
        RunGuarded(window, c.handler);
        EXPECT_EQ(window.errors, c.errors) << c.name;
    }
}

}  // namespace
}  // namespace kovex::testing
