#include <gtest/gtest.h>

#include "firmware/HexLoader.h"
#include "firmware/HexPreflight.h"
#include "support/HexText.h"

namespace kovex::testing {
namespace {

struct ByteAt {
    std::size_t index;
    std::uint8_t value;
};

struct LoadCase {
    const char* name;
    std::string file;
    std::int32_t imageEnd;
    std::vector<ByteAt> bytes;
};

std::string Join(std::initializer_list<std::string> parts) {
    std::string text;
    for (const std::string& part : parts)
        text += part;
    return text;
}

const std::string D2000 = DataRecord(0x2000, 16, 0x11);
const std::string D2010 = DataRecord(0x2010, 16, 0x22);

std::vector<LoadCase> LoadCases() {
    return {
        {"nothing in the window",
         HexFile({DataRecord(0x1000, 16, 0x11), END_RECORD}),
         0x3F,
         {{0, 0xFF}, {0x140FE, 0xFF}}},
        {"record at 1FFF dropped",
         HexFile({DataRecord(0x1FFF, 2, 0x11), END_RECORD}),
         0x3F,
         {{0, 0xFF}}},
        {"record at 2000 lands at index 0",
         HexFile({DataRecord(0x2000, {0xAB, 0xCD}), END_RECORD}),
         0x3F,
         {{0, 0xAB}, {1, 0xCD}, {2, 0xFF}}},
        {"record at 16000 loads all its bytes",
         HexFile({UpperAddressRecord(1), DataRecord(0x6000, 16, 0x5A), END_RECORD}),
         0x1403F,
         {{0x13FFF, 0xFF}, {0x14000, 0x5A}, {0x1400F, 0x5A}, {0x14010, 0xFF}}},
        {"record at 16000 of 255 bytes reaches index 140FE",
         HexFile({UpperAddressRecord(1), DataRecord(0x6000, 255, 0x5A), END_RECORD}),
         0x140FF,
         {{0x140FE, 0x5A}, {0x140FF, 0xFF}}},
        {"record at 16001 dropped",
         HexFile({UpperAddressRecord(1), DataRecord(0x6001, 16, 0x5A), END_RECORD}),
         0x3F,
         {{0x14001, 0xFF}}},
        {"upper 0001: 5000 lands at 13000",
         HexFile({UpperAddressRecord(1), DataRecord(0x5000, 1, 0x77), END_RECORD}),
         0x1303F,
         {{0x13000, 0x77}, {0x3000, 0xFF}}},
        {"upper 0002 drops all, 0000 again loads",
         HexFile({UpperAddressRecord(2), DataRecord(0x2000, 16, 0x11), UpperAddressRecord(0),
                  DataRecord(0x2100, 1, 0x33), END_RECORD}),
         0x13F,
         {{0, 0xFF}, {0x100, 0x33}}},
        {"upper FFFF drops all",
         HexFile({UpperAddressRecord(0xFFFF), DataRecord(0x2000, 16, 0x11), END_RECORD}),
         0x3F,
         {{0, 0xFF}}},
        {"type 02 has no effect",
         HexFile({HexRecord(0, 0x02, {0x10, 0x00}), DataRecord(0x2000, 1, 0x44), END_RECORD}),
         0x3F,
         {{0, 0x44}}},
        {"type 03 and 05 ignored",
         HexFile({HexRecord(0, 0x03, {0, 0, 0x20, 0}), HexRecord(0, 0x05, {0, 0, 0x20, 0}),
                  DataRecord(0x2000, 1, 0x44)}),
         0x3F,
         {{0, 0x44}}},
        {"lower case digits", ":02200000abcd66\r\n:00000001ff\r\n", 0x3F, {{0, 0xAB}, {1, 0xCD}}},
        {"later overlapping record wins",
         HexFile({DataRecord(0x2000, 16, 0x11), DataRecord(0x2008, 4, 0x99), END_RECORD}),
         0x3F,
         {{7, 0x11}, {8, 0x99}, {11, 0x99}, {12, 0x11}}},
        {"descending records: ImageEnd from the last",
         HexFile({DataRecord(0x3000, 16, 0x11), DataRecord(0x2000, 16, 0x22), END_RECORD}),
         0x3F,
         {{0x1000, 0x11}, {0, 0x22}}},
        {"count 0 sets ImageEnd to its start",
         HexFile({D2000, DataRecord(0x2100, {}), END_RECORD}),
         0x13F,
         {{0, 0x11}}},
        {"end 4000 raised to 403F", FilledHexFile(0x2000, 0x5FF0), 0x403F, {{0x3FFF, 0x7F}}},
        {"end 3FF8 raised to 3FFF",
         HexFile({DataRecord(0x5FF0, 8, 0x11), END_RECORD}),
         0x3FFF,
         {{0x3FF7, 0x11}}},
        {"end 3FFF stays",
         HexFile({DataRecord(0x5FF0, 15, 0x11), END_RECORD}),
         0x3FFF,
         {{0x3FFE, 0x11}}},
        {"CR only",
         Join({D2000, "\r", D2010, "\r", END_RECORD, "\r"}),
         0x3F,
         {{0, 0x11}, {0x10, 0x22}}},
        {"CR LF", HexFile({D2000, D2010, END_RECORD}), 0x3F, {{0, 0x11}, {0x10, 0x22}}},
        {"LF only",
         Join({D2000, "\n", D2010, "\n", END_RECORD, "\n"}),
         0x3F,
         {{0, 0x11}, {0x10, 0x22}}},
        {"CR, LF and CR LF mixed",
         Join({D2000, "\n", D2010, "\r", DataRecord(0x2020, 1, 0x33), "\r\n", END_RECORD}),
         0x3F,
         {{0, 0x11}, {0x10, 0x22}, {0x20, 0x33}}},
        {"LF CR: an empty line between",
         Join({D2000, "\n\r", D2010, "\n"}),
         0x3F,
         {{0, 0x11}, {0x10, 0x22}}},
        {"CR CR LF: an empty line between",
         Join({D2000, "\r\r\n", D2010, "\r\n"}),
         0x3F,
         {{0, 0x11}, {0x10, 0x22}}},
        {"Ctrl-Z ends the input",
         Join({D2000, "\r\n\x1A", D2010, "\r\n"}),
         0x3F,
         {{0, 0x11}, {0x10, 0xFF}}},
        {"text before Ctrl-Z is a last line",
         Join({D2000, "\r\n", D2010.substr(0, 9 + 32), "\x1A\r\n", DataRecord(0x2020, 1, 3)}),
         0x3F,
         {{0x10, 0x22}, {0x20, 0xFF}}},
        {"no end record: read to the end", Join({D2000, "\r\n", D2010}), 0x3F, {{0x10, 0x22}}},
        {"lines after the end record are not read",
         HexFile({D2000, END_RECORD, DataRecord(0x2100, 1, 0x55)}),
         0x3F,
         {{0, 0x11}, {0x100, 0xFF}}},
        {"a short end record still ends",
         HexFile({D2000, ":00000001", D2010}),
         0x3F,
         {{0x10, 0xFF}}},
        {"lines without a start code skipped",
         HexFile({Join({"x", D2000.substr(1)}), "", Join({" ", D2010})}),
         0x3F,
         {{0, 0xFF}, {0x10, 0xFF}}},
        {"line under 9 characters skipped",
         HexFile({D2000, ":1020100", END_RECORD}),
         0x3F,
         {{0, 0x11}}},
        {"type 04 under 13 characters skipped",
         HexFile({UpperAddressRecord(1), ":020000040", DataRecord(0x5000, 1, 0x66), END_RECORD}),
         0x1303F,
         {{0x13000, 0x66}}},
        {"data shorter than its count skipped",
         HexFile({D2000, DataRecord(0x2100, 16, 0x55).substr(0, 9 + 30)}),
         0x3F,
         {{0, 0x11}, {0x100, 0xFF}}},
        {"data without its checksum loads",
         HexFile({D2000, DataRecord(0x2100, 2, 0x55).substr(0, 13)}),
         0x13F,
         {{0x100, 0x55}, {0x101, 0x55}}},
        {"wrong checksum and odd digits load alike",
         ":0220000012G4FF\r\n",
         0x3F,
         {{0, 0x12}, {1, 0x04}}},
        {"empty file", "", 0x3F, {{0, 0xFF}}},
    };
}

// The loader alone, and the pass that loads and checks, alike.
TEST(HexLoaderTest, LoadsTheRecordsAsTheLoaderReadsThem) {
    for (const LoadCase& c : LoadCases()) {
        const auto file = Bytes(c.file);
        for (const HexImage& image : {LoadHexImage(file), LoadAndCheckHexFile(file).image}) {
            EXPECT_EQ(image.ImageEnd, c.imageEnd) << c.name;
            ASSERT_EQ(image.FirmwareImage.size(), 0x20001u) << c.name;
            for (const ByteAt& b : c.bytes) {
                EXPECT_EQ(image.FirmwareImage[b.index], b.value) << c.name << " at " << b.index;
            }
        }
    }
}

TEST(HexLoaderTest, ReloadingStartsFromAFreshImage) {
    HexImage image;
    LoadHexImage(Bytes(HexFile({UpperAddressRecord(1), DataRecord(0x5000, 1, 0x77)})), image);
    LoadHexImage(Bytes(HexFile({DataRecord(0x2000, 1, 0x11)})), image);
    EXPECT_EQ(image.FirmwareImage[0x13000], 0xFF);
    EXPECT_EQ(image.FirmwareImage[0], 0x11);
    EXPECT_EQ(image.UpperAddress, 0);
    EXPECT_EQ(image.ImageEnd, 0x3F);
}

TEST(HexLoaderTest, HexByteDecodesEveryCharacterByOneRule) {
    struct Case {
        const char* text;
        std::uint8_t value;
    };
    const Case cases[] = {{"00", 0x00}, {"9F", 0x9F}, {"af", 0xAF}, {"AF", 0xAF}, {"G0", 0x00},
                          {"g ", 0x00}, {": ", 0x30}, {"0:", 0x03}, {"Z9", 0x39}};
    for (const Case& c : cases)
        EXPECT_EQ(HexByte(c.text, 0), c.value) << c.text;
    EXPECT_EQ(HexWord("x1A2b", 1), 0x1A2B);
}

}  // namespace
}  // namespace kovex::testing
