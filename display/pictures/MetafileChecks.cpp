#include "display/pictures/MetafileChecks.h"

#include "display/pictures/MetafileRecords.h"

namespace kovex {
namespace {

constexpr std::uint32_t EMR_HEADER = 1;
constexpr std::uint32_t EMR_EOF = 14;
constexpr std::uint32_t EMF_SIGNATURE = 0x464D4520;  // " EMF"
constexpr std::uint64_t EMF_MIN_HEADER = 88;
constexpr std::uint64_t EMF_PIXEL_FORMAT_HEADER = 100;
constexpr std::uint64_t EMF_RECORD_MIN = 8;

constexpr std::uint32_t PLACEABLE_KEY = 0x9AC6CDD7;
constexpr std::uint64_t PLACEABLE_SIZE = 22;
constexpr std::uint64_t WMF_HEADER_WORDS = 9;
constexpr std::uint64_t WMF_RECORD_MIN_WORDS = 3;
constexpr std::uint16_t META_EOF = 0x0000;

std::optional<RectL> RectAt(PictureBytes bytes, std::uint64_t at) {
    const auto left = I32At(bytes, at);
    const auto top = I32At(bytes, at + 4);
    const auto right = I32At(bytes, at + 8);
    const auto bottom = I32At(bytes, at + 12);
    if (!left || !top || !right || !bottom) return std::nullopt;
    return RectL{*left, *top, *right, *bottom};
}

// A text or pixel format block that the header points at lies inside the header.
bool BlockInsideHeader(std::uint64_t offset, std::uint64_t length, std::uint64_t headerSize) {
    if (length == 0) return true;
    return offset >= EMF_MIN_HEADER && offset <= headerSize && length <= headerSize - offset;
}

bool EmfHeaderBlocksFit(PictureBytes bytes, std::uint64_t headerSize) {
    const std::uint64_t descriptionChars = *U32At(bytes, 60);
    const std::uint64_t descriptionOffset = *U32At(bytes, 64);
    if (!BlockInsideHeader(descriptionOffset, descriptionChars * 2, headerSize)) return false;
    if (headerSize < EMF_PIXEL_FORMAT_HEADER) return true;
    const std::uint64_t formatSize = *U32At(bytes, 88);
    const std::uint64_t formatOffset = *U32At(bytes, 92);
    return BlockInsideHeader(formatOffset, formatSize, headerSize);
}

bool EmfRecordsEndWithEof(PictureBytes bytes, std::uint64_t at, std::uint64_t end,
                          MetafileContent& content) {
    while (at + EMF_RECORD_MIN <= end) {
        const std::uint32_t type = *U32At(bytes, at);
        const std::uint64_t size = *U32At(bytes, at + 4);
        if (size < EMF_RECORD_MIN || size % 4 != 0 || size > end - at) return false;
        if (type == EMR_HEADER) return false;
        if (!CountEnhancedRecord(bytes.subspan(at, size), content)) return false;
        if (type == EMR_EOF) return true;
        at += size;
    }
    return false;
}

bool ChecksumMatches(PictureBytes bytes) {
    std::uint16_t sum = 0;
    for (std::uint64_t i = 0; i < 10; ++i)
        sum ^= *U16At(bytes, 2 * i);
    return sum == *U16At(bytes, 20);
}

std::optional<PlaceableFrame> ReadPlaceable(PictureBytes bytes) {
    if (!HasBytes(bytes, 0, PLACEABLE_SIZE) || !ChecksumMatches(bytes)) return std::nullopt;
    PlaceableFrame frame;
    frame.box = RectL{*I16At(bytes, 6), *I16At(bytes, 8), *I16At(bytes, 10), *I16At(bytes, 12)};
    frame.unitsPerInch = *U16At(bytes, 14);
    if (frame.box.right <= frame.box.left || frame.box.bottom <= frame.box.top) return std::nullopt;
    if (frame.unitsPerInch == 0) return std::nullopt;
    return frame;
}

bool WmfRecordsEndWithEof(PictureBytes bytes, std::uint64_t at, std::uint64_t end,
                          std::uint64_t largestWords, MetafileContent& content) {
    while (at + 2 * WMF_RECORD_MIN_WORDS <= end) {
        const std::uint64_t words = *U32At(bytes, at);
        const std::uint16_t function = *U16At(bytes, at + 4);
        if (words < WMF_RECORD_MIN_WORDS || words > largestWords || 2 * words > end - at) {
            return false;
        }
        if (!CountWindowsRecord(bytes.subspan(at, 2 * words), content)) return false;
        if (function == META_EOF) return true;
        at += 2 * words;
    }
    return false;
}

// Returns where the metafile ends by its header.
std::optional<std::uint64_t> CheckStandardHeader(PictureBytes bytes, std::uint64_t at,
                                                 MetafileContent& content) {
    if (!HasBytes(bytes, at, 2 * WMF_HEADER_WORDS)) return std::nullopt;
    const std::uint16_t type = *U16At(bytes, at);
    const std::uint16_t headerWords = *U16At(bytes, at + 2);
    const std::uint64_t totalWords = *U32At(bytes, at + 6);
    const std::uint64_t largestWords = *U32At(bytes, at + 12);
    if ((type != 1 && type != 2) || headerWords != WMF_HEADER_WORDS) return std::nullopt;
    if (totalWords < WMF_HEADER_WORDS + WMF_RECORD_MIN_WORDS) return std::nullopt;
    if (!HasBytes(bytes, at, 2 * totalWords)) return std::nullopt;
    // libwmf allocates a buffer of the largest record's size up front.
    if (largestWords > totalWords) return std::nullopt;
    const std::uint64_t end = at + 2 * totalWords;
    if (!WmfRecordsEndWithEof(bytes, at + 2 * WMF_HEADER_WORDS, end, largestWords, content)) {
        return std::nullopt;
    }
    return end;
}

}  // namespace

std::optional<EnhancedMetafileHeader> CheckEnhancedMetafileBytes(PictureBytes bytes) {
    if (!HasBytes(bytes, 0, EMF_MIN_HEADER)) return std::nullopt;
    const std::uint64_t headerSize = *U32At(bytes, 4);
    EnhancedMetafileHeader header;
    header.bounds = *RectAt(bytes, 8);
    header.frame = *RectAt(bytes, 24);
    header.bytes = *U32At(bytes, 48);
    if (*U32At(bytes, 0) != EMR_HEADER || *U32At(bytes, 40) != EMF_SIGNATURE) return std::nullopt;
    if (headerSize < EMF_MIN_HEADER || headerSize % 4 != 0) return std::nullopt;
    if (header.bytes < headerSize || header.bytes > bytes.size()) return std::nullopt;
    if (!EmfHeaderBlocksFit(bytes, headerSize)) return std::nullopt;
    header.content.records = 1;  // the header is a record too
    if (!EmfRecordsEndWithEof(bytes, headerSize, header.bytes, header.content)) {
        return std::nullopt;
    }
    return header;
}

std::optional<WindowsMetafileHeader> CheckWindowsMetafileBytes(PictureBytes bytes) {
    WindowsMetafileHeader header;
    if (U32At(bytes, 0) == PLACEABLE_KEY) {
        header.placeable = ReadPlaceable(bytes);
        if (!header.placeable) return std::nullopt;
        header.headerOffset = PLACEABLE_SIZE;
    }
    const auto end = CheckStandardHeader(bytes, header.headerOffset, header.content);
    if (!end) return std::nullopt;
    header.bytes = *end;
    return header;
}

}  // namespace kovex
