#include "firmware/ProgrammingSequence.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

#include "firmware/FirmwareFile.h"
#include "firmware/HexPreflight.h"
#include "firmware/ProgrammingLines.h"
#include "link/CardExchange.h"
#include "link/CommandFrames.h"
#include "seam/HexText.h"
#include "seam/SlotGuard.h"

namespace kovex {

std::string AddressPastRecordMessage(std::int32_t cardAddress) {
    return "The file holds data for card address " +
           Hex(static_cast<std::uint32_t>(cardAddress), 4) +
           ", but a programming line carries addresses up to FFFF only; nothing was sent to KOVEX";
}

std::string ProgrammedCount(std::size_t count) {
    return "Programmed " + std::to_string(count) + (count == 1 ? " line" : " lines");
}

std::string ProgrammedLine(const LinesSent& lines) {
    std::string text = ProgrammedCount(lines.count);
    if (lines.count == 0) return text;
    return text + ", " + Hex(lines.first, 4) + "-" +
           Hex(lines.last + static_cast<std::uint32_t>(LINE_BYTES) - 1, 4);
}

std::optional<std::string> EndingLabel(const Reply<ProgramReport>& ended) {
    constexpr std::array<std::pair<Ending, std::string_view>, 10> LABELS{{
        {Ending::TimedOut, TIMED_OUT_LINE},
        {Ending::Silent, STOPPED_SILENT_LABEL},
        {Ending::Absent, STOPPED_SILENT_LABEL},
        {Ending::KeepsSending, STOPPED_SENDING_LABEL},
        {Ending::Lost, STOPPED_LOST_LABEL},
        {Ending::Interrupted, STOPPED_INTERRUPTED_LABEL},
        {Ending::Refused, REFUSED_FILE_LABEL},
        {Ending::Declined, DECLINED_LABEL},
        {Ending::NoCard, NO_CARD_LABEL},
        {Ending::InUse, CARD_BUSY_LABEL},
    }};
    // A completed run keeps its last progress text, which names the last line
    // sent; a run that sent no line says so rather than keep another run's.
    if (ended.outcome.Done()) {
        if (ended.value.lines.count > 0) return std::nullopt;
        return ProgrammedCount(0);
    }
    const auto* found = std::ranges::find(LABELS, ended.outcome.ending,
                                          &std::pair<Ending, std::string_view>::first);
    return std::string(found == LABELS.end() ? STOPPED_ERROR_LABEL : found->second);
}

ProgrammingSequence::ProgrammingSequence(CardPort& port, WindowServices& window)
    : ProgrammingSequence(port, window, ReadFirmwareFile) {}

ProgrammingSequence::ProgrammingSequence(CardPort& port, WindowServices& window, FileReader reader)
    : port_(port), window_(window), reader_(std::move(reader)) {}

Reply<ProgramReport> ProgrammingSequence::Button2Click() {
    Reply<ProgramReport> reply;
    Stage stage = Stage::NoFile;
    try {
        reply.outcome = RunCardExchange(
            port_, window_, [&](CardPort&) -> Outcome { return Run(reply.value, stage); });
    } catch (...) {
        // The slot guard shows the error; the label must not go on showing
        // the progress of a run that is over.
        if (stage != Stage::NoFile) window_.SetStatusLabel(STOPPED_ERROR_LABEL);
        throw;
    }
    // A cancelled dialog, or a click refused before it, leaves the label to
    // whatever it shows (another run's progress, when this click came during it).
    if (const auto label = EndingLabel(reply); label && stage != Stage::NoFile) {
        window_.SetStatusLabel(*label);
    }
    // Shown once the port is free again, as any handler's error is.
    if (reply.outcome.ending == Ending::Refused) {
        window_.ShowError(WithFullStop(reply.outcome.text));
        reply.outcome.shown = true;
    }
    return reply;
}

Outcome ProgrammingSequence::Run(ProgramReport& report, Stage& stage) {
    const auto path = window_.ChooseFirmwareFile();
    if (!path) return Outcome::Of(Ending::Declined, "");
    stage = Stage::FileChosen;
    // The file is read and checked whole before the card is touched: a file
    // that cannot be read or should not be programmed leaves its firmware.
    window_.AppendLog(READING_LINE);
    std::optional<FirmwareFile> file;
    try {
        file.emplace(reader_(*path));
    } catch (const std::runtime_error& error) {
        return Outcome::Of(Ending::Refused, error.what());
    }
    const CheckedHexFile checked = LoadAndCheckHexFile(file->Bytes());
    if (Outcome check = ImageMayBeProgrammed(checked); !check) return check;
    return ProgramCard(checked.image, checked.plan, report);
}

Outcome ProgrammingSequence::ProgramCard(const HexImage& image, const LinePlan& plan,
                                         ProgramReport& report) {
    ResetAndErase();
    window_.AppendLog(PROGRAMMING_LINE);
    const auto sent = SendLines(image, plan);
    if (!sent) return Outcome::Shown(Ending::TimedOut, std::string(TIMED_OUT_LINE));
    report.lines = *sent;
    window_.AppendLog(ProgrammedLine(*sent));
    port_.NoteAtStake("in the closing reset",
                      (sent->count == 1 ? std::string("its one line was")
                                        : "all " + std::to_string(sent->count) + " lines were") +
                          " programmed; check the card's firmware version");
    ReportNewFirmware(report);
    return {};
}

Outcome ProgrammingSequence::ImageMayBeProgrammed(const CheckedHexFile& checked) {
    // A damaged file is refused first: what it would load is not to be trusted.
    const PreflightFindings& findings = checked.findings;
    if (findings.Damaged()) return Outcome::Of(Ending::Refused, DamagedFileText(findings));
    if (const auto address = FirstAddressPastRecord(checked.plan)) {
        return Outcome::Of(Ending::Refused, AddressPastRecordMessage(*address));
    }
    if (findings.Clean()) return {};
    if (window_.AskYesNo(APPLICATION_TITLE, PreflightQuestion(findings), false)) return {};
    window_.LogProblem(NOT_PROGRAMMED_LINE);
    return Outcome::Shown(Ending::Declined, std::string(NOT_PROGRAMMED_LINE));
}

void ProgrammingSequence::ResetAndErase() {
    port_.DrainReplies();
    port_.SendFrame(FRAME_RESET);
    port_.NoteAtStake("in the reset before the erase",
                      "the card was not erased and holds the firmware it had");
    window_.AppendLog(RESETTING_LINE);
    port_.WaitTicks(PROGRAMMING_WAIT_TICKS);
    port_.DrainReplies();
    port_.SendFrame(FRAME_ERASE);
    port_.NoteAtStake("after the erase", "the card holds no firmware; program it again");
    window_.AppendLog(ERASING_LINE);
    // Whether the erase answered in time is not judged: programming goes on.
    port_.WaitForReply(PROGRAMMING_WAIT_TICKS);
    port_.DrainReplies();
}

std::optional<LinesSent> ProgrammingSequence::SendLines(const HexImage& image,
                                                        const LinePlan& plan) {
    LinesSent sent;
    window_.ShowProgress(0, plan.size());
    for (const std::int32_t index : plan) {
        const FrameBuild line = BuildProgramLine(LineRecord(image, index));
        // A record is ASCII: it never holds the end byte.
        if (!line) throw std::logic_error(line.refusal->LogLine());
        window_.SetStatusLabel(ProgressText(image, index));
        port_.SendFrame(line.frame);
        port_.WaitForReply(PROGRAMMING_WAIT_TICKS);
        // A byte that turns up only as the time runs out is too late.
        if (port_.State().TickCountdown == 0) {
            window_.LogProblem(TIMED_OUT_LINE);
            return std::nullopt;
        }
        port_.ReadData();  // any byte acknowledges the line
        const auto address = static_cast<std::uint32_t>(IMAGE_BASE + index);
        if (sent.count++ == 0) sent.first = address;
        sent.last = address;
        NoteLinesSent(sent, plan.size());
        window_.ShowProgress(sent.count, plan.size());
    }
    return sent;
}

void ProgrammingSequence::NoteLinesSent(const LinesSent& sent, std::size_t total) {
    port_.NoteAtStake("after line " + Hex(sent.last, 4) + " (" + std::to_string(sent.count) +
                          " of " + std::to_string(total) + " lines sent)",
                      "the card holds part of its firmware; program it again");
}

void ProgrammingSequence::ReportNewFirmware(ProgramReport& report) {
    port_.SendFrame(FRAME_RESET);
    window_.AppendLog(RESETTING_LINE);
    port_.WaitTicks(PROGRAMMING_WAIT_TICKS);
    port_.DrainReplies();
    port_.SendFrame(FRAME_GET_VERSION);
    const auto version = port_.ReadCountedText(port_.State().VersionReply);
    window_.AppendLog("Firmware version from KOVEX = " + version.text);
    port_.SendFrame(FRAME_GET_MODE);
    const std::uint8_t mode = port_.ReadReplyByte();
    port_.State().CardMode = mode;
    window_.AppendLog("KOVEX Run Mode = " + Hex(mode, 2));
    report.version = version.text;
    report.mode = mode;
}

}  // namespace kovex
