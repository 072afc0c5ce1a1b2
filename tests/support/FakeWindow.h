// A scripted stand-in for the main window: records what the handlers do.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "shell/core/WindowServices.h"

namespace kovex::testing {

class FakeWindow final : public WindowServices {
public:
    FakeWindow();

    void AppendLog(std::string_view line) override { log.emplace_back(line); }
    void ClearLog() override {
        log.clear();
        ++clears;
    }
    void SetStatusLabel(std::string_view text) override { label = text; }
    void SetEnabled(Control control, bool isEnabled) override;
    bool IsEnabled(Control control) const override { return enabled.at(control); }
    bool DebugChecked() const override { return debugChecked; }
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }

    std::vector<std::string> log;
    int clears = 0;
    std::string label = "Label1";
    std::map<Control, bool> enabled;
    // Every SetEnabled call, in order.
    std::vector<std::pair<Control, bool>> enableCalls;
    bool debugChecked = false;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
};

}  // namespace kovex::testing
