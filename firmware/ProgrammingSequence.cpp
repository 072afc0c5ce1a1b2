#include "firmware/ProgrammingSequence.h"

#include <stdexcept>
#include <utility>

#include "firmware/FirmwareFile.h"
#include "firmware/HexPreflight.h"
#include "firmware/ProgrammingLines.h"
#include "link/CardExchange.h"
#include "link/CommandFrames.h"
#include "seam/SlotGuard.h"

namespace kovex {

std::string AddressPastRecordMessage(std::int32_t cardAddress) {
    return "The file holds data for card address " +
           Hex(static_cast<std::uint32_t>(cardAddress), 4) +
           ", but a programming line carries addresses up to FFFF only; nothing was sent to KOVEX";
}

std::string ProgrammedLine(const LinesSent& lines) {
    std::string text = "Programmed " + std::to_string(lines.count) + " line";
    if (lines.count != 1) text += "s";
    if (lines.count == 0) return text;
    return text + ", " + Hex(lines.first, 4) + "-" +
           Hex(lines.last + static_cast<std::uint32_t>(LINE_BYTES) - 1, 4);
}

ProgrammingSequence::ProgrammingSequence(CardPort& port, WindowServices& window)
    : ProgrammingSequence(port, window, ReadFirmwareFile) {}

ProgrammingSequence::ProgrammingSequence(CardPort& port, WindowServices& window, FileReader reader)
    : port_(port), window_(window), reader_(std::move(reader)) {}

void ProgrammingSequence::Button2Click() {
    RunCardExchange(port_, window_, [this](CardPort&) { Run(); });
}

void ProgrammingSequence::Run() {
    const auto path = window_.ChooseFirmwareFile();
    if (!path) return;
    // The file is read and checked whole before the card is touched: a file
    // that cannot be read or should not be programmed leaves its firmware.
    window_.AppendLog(READING_LINE);
    const FirmwareFile file = reader_(*path);
    const HexImage image = LoadHexImage(file.Bytes());
    if (!ImageMayBeProgrammed(file.Bytes(), image)) return;
    ProgramCard(image);
}

void ProgrammingSequence::ProgramCard(const HexImage& image) {
    try {
        ResetAndErase();
        window_.AppendLog(PROGRAMMING_LINE);
        const auto sent = SendLines(image);
        if (!sent) return;
        window_.AppendLog(ProgrammedLine(*sent));
        ReportNewFirmware();
    } catch (const CardNotAnswering&) {
        window_.SetStatusLabel(STOPPED_SILENT_LABEL);
        throw;
    } catch (const CardKeepsSending&) {
        window_.SetStatusLabel(STOPPED_SENDING_LABEL);
        throw;
    }
}

bool ProgrammingSequence::ImageMayBeProgrammed(std::span<const std::uint8_t> file,
                                               const HexImage& image) {
    if (const auto address = FirstAddressPastRecord(image)) {
        throw std::runtime_error(AddressPastRecordMessage(*address));
    }
    const PreflightFindings findings = PreflightCheck(file, image);
    if (findings.Clean()) return true;
    const bool programAnyway =
        window_.AskYesNo(APPLICATION_TITLE, PreflightQuestion(findings), false);
    if (!programAnyway) window_.AppendLog(NOT_PROGRAMMED_LINE);
    return programAnyway;
}

void ProgrammingSequence::ResetAndErase() {
    port_.DrainReplies();
    port_.SendFrame(FRAME_RESET);
    window_.AppendLog(RESETTING_LINE);
    port_.WaitTicks(PROGRAMMING_WAIT_TICKS);
    port_.DrainReplies();
    port_.SendFrame(FRAME_ERASE);
    window_.AppendLog(ERASING_LINE);
    // Whether the erase answered in time is not judged: programming goes on.
    port_.WaitForReply(PROGRAMMING_WAIT_TICKS);
    port_.DrainReplies();
}

std::optional<LinesSent> ProgrammingSequence::SendLines(const HexImage& image) {
    LinesSent sent;
    Frame frame;
    frame.reserve(PREFIX_PROGRAM_LINE.size() + LINE_RECORD_LENGTH + 1);
    const std::size_t total = LinesToSend(image);
    window_.ShowProgress(0, total);
    for (std::int32_t index = NextLineToSend(image, 0); index < image.ImageEnd;
         index = NextLineToSend(image, index + LINE_BYTES)) {
        const auto record = LineRecord(image, index);
        frame.assign(PREFIX_PROGRAM_LINE.begin(), PREFIX_PROGRAM_LINE.end());
        frame.insert(frame.end(), record.begin(), record.end());
        frame.push_back(FRAME_END);
        window_.SetStatusLabel(ProgressText(image, index));
        port_.SendFrame(frame);
        port_.WaitForReply(PROGRAMMING_WAIT_TICKS);
        // A byte that turns up only as the time runs out is too late.
        if (port_.State().TickCountdown == 0) {
            window_.SetStatusLabel(TIMED_OUT_LINE);
            window_.AppendLog(TIMED_OUT_LINE);
            return std::nullopt;
        }
        port_.ReadData();  // any byte acknowledges the line
        const auto address = static_cast<std::uint32_t>(IMAGE_BASE + index);
        if (sent.count++ == 0) sent.first = address;
        sent.last = address;
        window_.ShowProgress(sent.count, total);
    }
    return sent;
}

void ProgrammingSequence::ReportNewFirmware() {
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
}

}  // namespace kovex
