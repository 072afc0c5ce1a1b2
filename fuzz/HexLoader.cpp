// Arbitrary bytes through the HEX loader and the pre-flight check, as Program
// KOVEX runs them, with properties that hold for every input:
//  - the image keeps its size, ImageEnd ends its 64-byte block and stays
//    within the image, and nothing lands past what a record at 16000 reaches;
//  - a Ctrl-Z ends the file: whatever follows it changes nothing;
//  - every line the loop would send below 10000 can be built as a record;
//  - the pass that loads and checks loads exactly what the loader alone does;
//  - its check sees what the loader loads: the bytes it finds past the
//    programmed end are the ones the image holds there, and it finds the
//    end-of-file record exactly when the loader stops reading there.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
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

void CheckLines(const HexImage& image, const LinePlan& plan) {
    const auto refused = FirstAddressPastRecord(plan);
    for (const std::int32_t index : plan) {
        if (IMAGE_BASE + index >= FIRST_ADDRESS_PAST_RECORD) {
            if (refused != IMAGE_BASE + index) Fail("a line past FFFF not refused");
            return;
        }
        (void)LineRecord(image, index);
    }
    if (refused) Fail("refused an image whose lines all fit");
}

void CheckFindings(const PreflightFindings& findings, const LinePlan& plan) {
    if ((findings.faultyRecords > 0) != findings.firstFault.has_value() ||
        findings.Damaged() != findings.firstDamage.has_value()) {
        Fail("fault count and first fault disagree");
    }
    if (findings.Damaged() && DamagedFileText(findings).empty()) Fail("empty refusal");
    if (findings.noDataForCard != plan.empty()) Fail("no-data finding is wrong");
    if (!findings.Clean() && PreflightQuestion(findings).empty()) Fail("empty question");
}

// Every byte past ImageEnd that is not blank was loaded there, so the
// check's count and range of such bytes must take it in.
void CheckPastImageEnd(const PreflightFindings& findings, const HexImage& image) {
    const auto& past = findings.pastImageEnd;
    std::size_t loaded = 0;
    for (auto i = static_cast<std::size_t>(image.ImageEnd) + 1; i < FIRMWARE_IMAGE_SIZE; ++i) {
        if (image.FirmwareImage[i] == BLANK_BYTE) continue;
        const auto address = static_cast<std::uint32_t>(IMAGE_BASE) + static_cast<std::uint32_t>(i);
        if (!past || address < past->first || address > past->last) {
            Fail("loaded bytes past the programmed end not found by the check");
        }
        ++loaded;
    }
    if (past && (loaded > past->count || past->count > past->last - past->first + 1)) {
        Fail("the check's count of bytes past the programmed end is wrong");
    }
}

// The file, then an upper address of 1 and dataRecord (one byte at 6000:
// card address 16000, the highest a record may start at).
HexImage LoadWithRecordAfter(std::span<const std::uint8_t> file, const std::string& dataRecord) {
    std::vector<std::uint8_t> longer(file.begin(), file.end());
    const std::string tail = "\r:020000040001F9\r" + dataRecord + "\r";
    longer.insert(longer.end(), tail.begin(), tail.end());
    return LoadHexImage(longer);
}

// The loader reads on past the file's end unless it stopped at an end-of-file
// record (which the check must then have found) or at a Ctrl-Z.
void CheckEndRecord(std::span<const std::uint8_t> file, const PreflightFindings& findings,
                    const HexImage& image) {
    const HexImage withAA = LoadWithRecordAfter(file, ":01600000AAF5");
    const HexImage with55 = LoadWithRecordAfter(file, ":01600000554A");
    const bool readOn = withAA.FirmwareImage != with55.FirmwareImage;
    const bool ctrlZ = std::find(file.begin(), file.end(), END_OF_TEXT) != file.end();
    if (readOn != (findings.endRecordMissing && !ctrlZ)) {
        Fail("the check and the loader disagree on where the file ends");
    }
    if (!readOn &&
        (withAA.ImageEnd != image.ImageEnd || withAA.FirmwareImage != image.FirmwareImage)) {
        Fail("the loader read past the end it stopped at");
    }
}

}  // namespace
}  // namespace kovex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kovex;
    const std::span<const std::uint8_t> file(data, size);
    const CheckedHexFile checked = LoadAndCheckHexFile(file);
    const HexImage& image = checked.image;
    const HexImage alone = LoadHexImage(file);
    if (image.FirmwareImage != alone.FirmwareImage || image.ImageEnd != alone.ImageEnd ||
        image.UpperAddress != alone.UpperAddress) {
        Fail("the checking pass loaded another image than the loader");
    }
    CheckImage(image);
    const LinePlan& plan = checked.plan;
    if (plan != PlanLines(alone)) Fail("the checking pass planned other lines");
    CheckLines(image, plan);
    const PreflightFindings& findings = checked.findings;
    CheckFindings(findings, plan);
    CheckPastImageEnd(findings, image);
    CheckEndRecord(file, findings, image);

    std::vector<std::uint8_t> cut(data, data + size);
    const std::string tail = "\x1A:10200000000102030405060708090A0B0C0D0E0FXX\r\n";
    cut.insert(cut.end(), tail.begin(), tail.end());
    const CheckedHexFile after = LoadAndCheckHexFile(cut);
    if (after.image.ImageEnd != image.ImageEnd ||
        after.image.FirmwareImage != image.FirmwareImage) {
        Fail("text after Ctrl-Z was read");
    }
    if (after.findings != findings) Fail("text after Ctrl-Z was checked");
    return 0;
}
