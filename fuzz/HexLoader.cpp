// Arbitrary bytes through the HEX loader and the pre-flight check, as Program
// KOVEX runs them, with properties that hold for every input:
//  - the image keeps its size, ImageEnd ends its 64-byte block and stays
//    within the image, and nothing lands past what a record at 16000 reaches;
//  - a Ctrl-Z ends the file: whatever follows it changes nothing;
//  - every line the loop would send below 10000 can be built as a record.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "firmware/HexLoader.h"
#include "firmware/HexPreflight.h"
#include "firmware/ProgrammingLines.h"

namespace kovex {
namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "HEX loader property broken: %s\n", what);
    std::abort();
}

constexpr std::size_t FIRST_NEVER_LOADED = 0x14000 + 255;

void CheckImage(const HexImage& image) {
    if (image.FirmwareImage.size() != FIRMWARE_IMAGE_SIZE) Fail("image size changed");
    if ((image.ImageEnd & 0x3F) != 0x3F) Fail("ImageEnd not at the end of a block");
    if (image.ImageEnd < 0x3F || image.ImageEnd > static_cast<std::int32_t>(FIRST_NEVER_LOADED)) {
        Fail("ImageEnd outside the loaded region");
    }
    if (!std::all_of(image.FirmwareImage.begin() + FIRST_NEVER_LOADED, image.FirmwareImage.end(),
                     [](std::uint8_t b) { return b == BLANK_BYTE; })) {
        Fail("data past the highest record start");
    }
}

void CheckLines(const HexImage& image) {
    const auto refused = FirstAddressPastRecord(image);
    for (std::int32_t index = NextLineToSend(image, 0); index < image.ImageEnd;
         index = NextLineToSend(image, index + LINE_BYTES)) {
        if (IMAGE_BASE + index >= FIRST_ADDRESS_PAST_RECORD) {
            if (refused != IMAGE_BASE + index) Fail("a line past FFFF not refused");
            return;
        }
        (void)LineRecord(image, index);
    }
    if (refused) Fail("refused an image whose lines all fit");
}

void CheckFindings(const PreflightFindings& findings, const HexImage& image) {
    if ((findings.faultyRecords > 0) != findings.firstFault.has_value()) {
        Fail("fault count and first fault disagree");
    }
    if (findings.noDataForCard != !HasLineToSend(image)) Fail("no-data finding is wrong");
    if (!findings.Clean() && PreflightQuestion(findings).empty()) Fail("empty question");
}

}  // namespace
}  // namespace kovex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kovex;
    const std::span<const std::uint8_t> file(data, size);
    const HexImage image = LoadHexImage(file);
    CheckImage(image);
    CheckLines(image);
    CheckFindings(PreflightCheck(file, image), image);

    std::vector<std::uint8_t> cut(data, data + size);
    const std::string tail = "\x1A:10200000000102030405060708090A0B0C0D0E0FXX\r\n";
    cut.insert(cut.end(), tail.begin(), tail.end());
    const HexImage after = LoadHexImage(cut);
    if (after.ImageEnd != image.ImageEnd || after.FirmwareImage != image.FirmwareImage) {
        Fail("text after Ctrl-Z was read");
    }
    if (PreflightCheck(cut, after) != PreflightCheck(file, image)) {
        Fail("text after Ctrl-Z was checked");
    }
    return 0;
}
