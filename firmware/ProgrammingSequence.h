// Program KOVEX: reads and checks the chosen HEX file, then resets and erases
// the card, sends the image one 16-byte line at a time, resets the card again
// and logs the version and mode it reports. The run holds the card port from
// the file dialog to its last reply.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/FirmwareFile.h"
#include "firmware/HexLoader.h"
#include "firmware/HexPreflight.h"
#include "firmware/ProgrammingLines.h"
#include "link/CardPort.h"
#include "seam/Outcome.h"
#include "seam/WindowServices.h"

namespace kovex {

inline constexpr std::uint8_t PROGRAMMING_WAIT_TICKS = 20;

inline constexpr std::string_view RESETTING_LINE = "Reseting KOVEX";
inline constexpr std::string_view ERASING_LINE = "Erasing KOVEX Firmware";
inline constexpr std::string_view READING_LINE = "Reading Hex file";
inline constexpr std::string_view PROGRAMMING_LINE = "Programming KOVEX";
inline constexpr std::string_view TIMED_OUT_LINE = "Programming timed out";
inline constexpr std::string_view NOT_PROGRAMMED_LINE =
    "Programming not started: KOVEX was not touched";

// Label1's endings, short enough to stay clear of the Graphic button.
inline constexpr std::string_view STOPPED_SILENT_LABEL = "Stopped: KOVEX is silent";
inline constexpr std::string_view STOPPED_SENDING_LABEL = "Stopped: keeps sending";
inline constexpr std::string_view STOPPED_LOST_LABEL = "Stopped: KOVEX was lost";
inline constexpr std::string_view STOPPED_INTERRUPTED_LABEL = "Stopped: told to stop";
inline constexpr std::string_view STOPPED_ERROR_LABEL = "Stopped by an error";
inline constexpr std::string_view REFUSED_FILE_LABEL = "Not started: file refused";
inline constexpr std::string_view DECLINED_LABEL = "Not started: declined";
inline constexpr std::string_view NO_CARD_LABEL = "Not started: no card";
inline constexpr std::string_view CARD_BUSY_LABEL = "Not started: card busy";

// The error for an image with a line the card cannot be sent.
std::string AddressPastRecordMessage(std::int32_t cardAddress);

// The lines a run sent, by their card addresses.
struct LinesSent {
    std::size_t count = 0;
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};
// "Programmed 256 lines, 2000-2FFF": from the first line's address to the
// last byte of the last line.
std::string ProgrammedLine(const LinesSent& lines);
// "Programmed 256 lines".
std::string ProgrammedCount(std::size_t count);

// What a completed run wrote and what the card reported after it.
struct ProgramReport {
    LinesSent lines;
    std::string version;
    std::uint8_t mode = 0;
};

// What Label1 says once a run that got past the file dialog has ended: why
// it stopped, or nothing after a completed run (its last progress text stays).
std::optional<std::string> EndingLabel(const Reply<ProgramReport>& ended);

class ProgrammingSequence {
public:
    using FileReader = std::function<FirmwareFile(const std::string& path)>;

    ProgrammingSequence(CardPort& port, WindowServices& window);
    // Tests and benchmarks read files from elsewhere.
    ProgrammingSequence(CardPort& port, WindowServices& window, FileReader reader);

    // Program KOVEX. A file that cannot be read or programmed is refused
    // with the error box; a finding the user does not accept is Declined.
    Reply<ProgramReport> Button2Click();

private:
    // How far a run got: Label1 is left alone when no file was chosen.
    enum class Stage { NoFile, FileChosen };
    Outcome Run(ProgramReport& report, Stage& stage);
    // The checks before the card is touched; Done when the run may go on.
    Outcome ImageMayBeProgrammed(const CheckedHexFile& checked);
    // From the first reset on.
    Outcome ProgramCard(const HexImage& image, const LinePlan& plan, ProgramReport& report);
    void ResetAndErase();
    // Nothing when a line was not acknowledged in time.
    std::optional<LinesSent> SendLines(const HexImage& image, const LinePlan& plan);
    // What an early end leaves once some lines are in.
    void NoteLinesSent(const LinesSent& sent, std::size_t total);
    void ReportNewFirmware(ProgramReport& report);

    CardPort& port_;
    WindowServices& window_;
    FileReader reader_;
};

}  // namespace kovex
