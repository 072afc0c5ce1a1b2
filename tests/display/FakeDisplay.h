// A scripted graphic window and a message sink that records what it is given.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "console/MessageSink.h"
#include "display/core/DisplayWindow.h"

namespace kovex::testing {

class FakeDisplayWindow final : public DisplayWindow {
public:
    std::string EditText(DisplayEdit edit) const override { return edits.at(edit); }
    std::optional<std::string> ChoosePictureFile() override {
        ++dialogs;
        return chosenPath;
    }
    PixelGrid LoadPicture(const std::string& path) override {
        if (loadError) throw std::runtime_error(*loadError);
        loadedPaths.push_back(path);
        return picture;
    }
    void ShowPicture(const PixelGrid& shownPicture) override { shown.push_back(shownPicture); }
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    void Pump() override {
        ++pumps;
        if (onPump) onPump();
    }

    std::map<DisplayEdit, std::string> edits{
        {DisplayEdit::Edit1, "10"}, {DisplayEdit::Edit2, "34"}, {DisplayEdit::Edit3, "5"},
        {DisplayEdit::Edit4, "0"},  {DisplayEdit::Edit5, "0"},  {DisplayEdit::Edit6, "Hello World"},
    };
    std::optional<std::string> chosenPath = "picture.bmp";
    PixelGrid picture;
    std::optional<std::string> loadError;
    int dialogs = 0;
    std::vector<std::string> loadedPaths;
    std::vector<PixelGrid> shown;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    int pumps = 0;
    std::function<void()> onPump;
};

// Records every text; refuses what it is told to refuse.
class RecordingSink final : public MessageSink {
public:
    Outcome SendString(std::string_view text) override {
        if (refuseAfter && texts.size() >= *refuseAfter) return Outcome::Of(Ending::InUse, why);
        texts.emplace_back(text);
        if (holding) ++sentInsideExchange;
        return {};
    }
    Outcome SendAsOneExchange(const std::function<void()>& messages,
                              const PartWay& /*partWay*/) override {
        ++exchanges;
        if (refuseExchange) return Outcome::Of(Ending::InUse, why);
        holding = true;
        messages();
        holding = false;
        return {};
    }

    std::vector<std::string> texts;
    std::optional<std::size_t> refuseAfter;
    bool refuseExchange = false;
    std::string why = "Card busy";  // the reason a refusal gives
    bool holding = false;
    int exchanges = 0;
    std::size_t sentInsideExchange = 0;
};

}  // namespace kovex::testing
