#include "cli/Commands.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "cli/FollowMessages.h"
#include "cli/LogText.h"
#include "cli/TerminalDisplay.h"
#include "cli/TerminalWindow.h"
#include "console/NodeMessage.h"
#include "console/NodeMessageCommands.h"
#include "console/NodeMessageSender.h"
#include "console/PollList.h"
#include "console/StatusCommands.h"
#include "display/core/DisplayCommands.h"
#include "display/core/PictureUpload.h"
#include "firmware/ProgrammingLines.h"
#include "firmware/ProgrammingSequence.h"
#include "link/CardDiscovery.h"
#include "link/CardRegisters.h"

namespace kovex {
namespace {

// Get Msg is asked at most this often in one run: a card whose NO_MESSAGE
// bit never sets must not keep the command going for ever.
constexpr std::size_t MOST_MESSAGES = 64;

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty()) text += ' ';
        text += word;
    }
    return text;
}

std::string ModeName(std::uint8_t mode) {
    if (mode == MODE_RUN) return JsonString("run");
    if (mode == MODE_BOOT) return JsonString("boot");
    return "null";
}

// A reply's outcome, with one value member when it was read.
template <typename Value, typename ToJson>
CommandResult WithValue(const Reply<Value>& reply, std::string_view key, ToJson toJson) {
    CommandResult result{reply.outcome, {}, {}, {}};
    if (reply.outcome) result.values.Add(key, toJson(reply.value));
    return result;
}

CommandResult WithByte(const Reply<std::uint8_t>& reply, std::string_view key) {
    return WithValue(reply, key, [](std::uint8_t value) { return JsonNumber(value); });
}

CommandResult Refused(std::string text) {
    return {Outcome::Of(Ending::Refused, std::move(text)), {}, {}, {}};
}

enum class DisplayAction { Clear, Text, Upload, Save, Show, Font, Xy };

// The radio group's items, in order.
constexpr std::array<std::string_view, 2> FONT_ITEMS{"5x7", "10x14"};

DisplayEdits EditsFor(const CommandLine& line, DisplayAction action) {
    DisplayEdits edits;
    edits.node = line.node;
    edits.device = line.nodeDevice;
    const std::vector<std::string>& args = line.args;
    if (action == DisplayAction::Text) edits.text = args.front();
    if (action == DisplayAction::Upload) edits.picture = args.front();
    if (action == DisplayAction::Save || action == DisplayAction::Show) edits.image = args.front();
    if (action == DisplayAction::Xy) {
        edits.x = args.at(0);
        edits.y = args.at(1);
    }
    return edits;
}

Outcome ClickFont(DisplayCommands& commands, const std::string& name) {
    const auto* const item = std::find(FONT_ITEMS.begin(), FONT_ITEMS.end(), name);
    if (item == FONT_ITEMS.end()) {
        return Outcome::Of(Ending::Refused, "display font takes 5x7 or 10x14, not " + name);
    }
    return commands.RadioGroup1Click(static_cast<int>(item - FONT_ITEMS.begin()));
}

// The graphic window's button for the action, its edits filled from the line.
Outcome ClickDisplay(CommandContext& context, DisplayAction action) {
    TerminalDisplay display(context.window, EditsFor(context.line, action),
                            [&context] { context.window.Pump(context.port); });
    DisplayCommands commands(display, context.sender);
    switch (action) {
        case DisplayAction::Clear:
            return commands.Button4Click();
        case DisplayAction::Text:
            return commands.Button6Click();
        case DisplayAction::Save:
            // "Saved" is the command's result.
            context.window.MessageBoxesAreResults(true);
            return commands.Button2Click();
        case DisplayAction::Show:
            return commands.Button3Click();
        case DisplayAction::Font:
            return ClickFont(commands, context.line.args.front());
        case DisplayAction::Xy:
            return commands.Button5Click();
        case DisplayAction::Upload:
            break;
    }
    return PictureUpload(display, context.sender).Button1Click();
}

CommandResult Display(CommandContext& context, DisplayAction action) {
    return {ClickDisplay(context, action), {}, {}, {}};
}

}  // namespace

CommandResult RunList(CommandContext& context) {
    const DeviceTable& table = context.opener.ListDevices();
    // The card a command would open: none marked when several are on the bus
    // and --device names none of them.
    const DeviceKey* chosen = context.opener.OnlyBridge();
    // The scan's own lines are the window's; the list has a line of its own.
    context.window.ForgetLog();
    std::vector<std::string> devices;
    for (std::size_t i = 0; i < table.count; ++i) {
        const DeviceKey& key = table.entries[i];
        const bool card = key.deviceId == PCI9030_DEVICE_ID;
        const std::string address = PciAddressText(KeyAddress(key));
        std::array<char, 16> ids{};
        std::snprintf(ids.data(), ids.size(), "%04x:%04x", key.vendorId, key.deviceId);
        std::string text = address;
        text.append(" ").append(ids.data());
        if (card) text += " card";
        if (&key == chosen) text += " *";
        context.window.AppendLog(text);
        devices.push_back(JsonObject()
                              .Add("address", JsonString(address))
                              .Add("ids", JsonString(ids.data()))
                              .Add("card", card ? "true" : "false")
                              .Add("chosen", &key == chosen ? "true" : "false")
                              .Text());
    }
    CommandResult result;
    result.values.Add("devices", JsonList(devices));
    if (context.opener.Bridges().empty()) {
        result.outcome = Outcome::Of(Ending::NoCard,
                                     context.line.device
                                         ? "no PCI 9030 at " + PciAddressText(*context.line.device)
                                         : std::string(NO_CARD_ON_BUS_LINE));
    }
    return result;
}

CommandResult RunVersion(CommandContext& context) {
    return WithValue(context.status.Button4Click(), "firmware_version",
                     [](const std::string& text) { return JsonString(Latin1ToUtf8(text)); });
}

CommandResult RunMode(CommandContext& context) {
    const Reply<std::uint8_t> reply = context.status.GetMode();
    CommandResult result = WithByte(reply, "mode");
    if (reply.outcome) result.values.Add("mode_name", ModeName(reply.value));
    return result;
}

CommandResult RunRunMode(CommandContext& context) {
    return WithByte(context.status.Button7Click(), "responded");
}

CommandResult RunBootMode(CommandContext& context) {
    return WithByte(context.status.Button8Click(), "responded");
}

CommandResult RunPollSpeed(CommandContext& context) {
    return WithByte(context.status.Button6Click(), "poll_speed");
}

CommandResult RunClearBuffer(CommandContext& context) {
    return WithByte(context.status.Button12Click(), "responded");
}

CommandResult RunGetPollList(CommandContext& context) {
    const Reply<PollListRead> reply = context.pollList.Button5Click();
    CommandResult result{reply.outcome, {}, {}, {}};
    if (!reply.outcome) return result;
    const PollListRead& read = reply.value;
    result.values.Add("mode", JsonNumber(read.mode)).Add("poll_list", JsonArray(read.nodes));
    if (read.mode == MODE_RUN) {
        // A node numbered 255 cannot be asked for its status.
        std::vector<std::string> statuses;
        for (std::size_t i = 0; i < read.statuses.size(); ++i) {
            statuses.push_back(read.nodes[i] == 0xFF ? "null" : JsonNumber(read.statuses[i]));
        }
        result.values.Add("node_status", JsonList(statuses));
    }
    result.values.Add("last_entry_unread", read.lastEntryUnread ? "true" : "false");
    return result;
}

CommandResult RunSetPollList(CommandContext& context) {
    // The command itself is the confirmation the window asks for. Blanks
    // only separate numbers, so they pad a short list ("0") to the length
    // the window's input box asks for.
    std::string typed = Joined(context.line.args);
    if (typed.size() < POLL_LIST_SHORTEST) typed.resize(POLL_LIST_SHORTEST, ' ');
    context.window.AnswerInputBox(typed);
    context.window.AnswerYes(true);
    context.window.EchoSteps(context.liveOutput);
    return WithValue(context.pollList.Button9Click(), "poll_list",
                     [](const std::vector<std::uint8_t>& entries) { return JsonArray(entries); });
}

CommandResult RunSend(CommandContext& context) {
    const std::string text = Joined(context.line.args);
    if (text.size() < NODE_MESSAGE_FEWEST_CHARACTERS) {
        return Refused("a node message needs node, device and command, e.g. \"10 0 7\"");
    }
    return WithValue(context.sender.SendAlone(text), "sent",
                     [](const Frame& frame) { return JsonArray(frame); });
}

CommandResult RunMessages(CommandContext& context) {
    if (context.line.follow) return FollowMessages(context);
    const auto reply = context.status.GetMessages(MOST_MESSAGES);
    CommandResult result{reply.outcome, {}, {}, {}};
    std::vector<std::string> messages;
    for (const auto& message : reply.value)
        messages.push_back(JsonArray(message));
    result.values.Add("messages", JsonList(messages));
    return result;
}

CommandResult RunLoopback(CommandContext& context) {
    const Reply<LoopbackCounters> reply = context.status.Button15Click();
    CommandResult result{reply.outcome, {}, {}, {}};
    if (reply.outcome) {
        result.values.Add("packets_sent", JsonNumber(reply.value.sent))
            .Add("packets_received", JsonNumber(reply.value.received));
    }
    return result;
}

CommandResult RunProgram(CommandContext& context) {
    const CommandLine& line = context.line;
    context.window.AnswerFirmwareFile(line.args.front());
    context.window.AnswerYes(line.yes);
    context.window.EchoSteps(context.liveOutput);
    const Reply<ProgramReport> reply = context.programming.Button2Click();
    CommandResult result{reply.outcome, {}, {}, {}};
    if (!reply.outcome) return result;
    const ProgramReport& report = reply.value;
    result.values.Add("lines", JsonNumber(static_cast<long long>(report.lines.count)));
    if (report.lines.count > 0) {
        result.values.Add("first_address", JsonNumber(report.lines.first))
            .Add("last_address", JsonNumber(report.lines.last + LINE_BYTES - 1));
    }
    const std::string version = Latin1ToUtf8(report.version);
    result.values.Add("firmware_version", JsonString(version)).Add("mode", JsonNumber(report.mode));
    result.summary = ProgrammedLine(report.lines) + "; firmware version " + version;
    if (line.expectVersion && *line.expectVersion != version) {
        result.mismatch = "the card reports firmware version \"" + version + "\", not \"" +
                          *line.expectVersion + "\" as expected";
    }
    return result;
}

CommandResult RunDisplayClear(CommandContext& context) {
    return Display(context, DisplayAction::Clear);
}

CommandResult RunDisplayText(CommandContext& context) {
    return Display(context, DisplayAction::Text);
}

CommandResult RunDisplayUpload(CommandContext& context) {
    return Display(context, DisplayAction::Upload);
}

CommandResult RunDisplaySave(CommandContext& context) {
    return Display(context, DisplayAction::Save);
}

CommandResult RunDisplayShow(CommandContext& context) {
    return Display(context, DisplayAction::Show);
}

CommandResult RunDisplayFont(CommandContext& context) {
    return Display(context, DisplayAction::Font);
}

CommandResult RunDisplayXy(CommandContext& context) {
    return Display(context, DisplayAction::Xy);
}

CommandResult RunTest(CommandContext& context) {
    // Each step's box is a result line, before the line of its message.
    context.window.MessageBoxesAreResults(true);
    NodeMessageCommands commands(context.sender, context.window);
    return {commands.Button14Click(), {}, {}, {}};
}

}  // namespace kovex
