#include "display/pictures/BitmapChecks.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace kovex {
namespace {

constexpr std::uint64_t FILE_HEADER_SIZE = 14;
constexpr std::uint32_t CORE_HEADER_SIZE = 12;
constexpr std::uint32_t INFO_HEADER_SIZE = 40;
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::uint32_t BI_BITFIELDS = 3;
constexpr std::uint64_t ICON_DIRECTORY_SIZE = 6;
constexpr std::uint64_t ICON_ENTRY_SIZE = 16;
constexpr std::array<std::uint8_t, 8> PNG_SIGNATURE{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// The fields of a bitmap information header that say how much data follows.
struct DibInfo {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows stored top-down
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t imageSize = 0;
    std::uint32_t coloursUsed = 0;
};

bool IsKnownHeaderSize(std::uint32_t size) {
    constexpr std::array<std::uint32_t, 7> known{12, 40, 52, 56, 64, 108, 124};
    return std::ranges::find(known, size) != known.end();
}

std::optional<DibInfo> ReadCoreHeader(PictureBytes bytes, std::uint64_t at) {
    const auto width = U16At(bytes, at + 4);
    const auto height = U16At(bytes, at + 6);
    const auto planes = U16At(bytes, at + 8);
    const auto bits = U16At(bytes, at + 10);
    if (!width || !height || !planes || !bits) return std::nullopt;
    DibInfo info;
    info.headerSize = CORE_HEADER_SIZE;
    info.width = *width;
    info.height = *height;
    info.planes = *planes;
    info.bitCount = *bits;
    return info;
}

std::optional<DibInfo> ReadDibInfo(PictureBytes bytes, std::uint64_t at) {
    const auto size = U32At(bytes, at);
    if (!size || !IsKnownHeaderSize(*size) || !HasBytes(bytes, at, *size)) return std::nullopt;
    if (*size == CORE_HEADER_SIZE) return ReadCoreHeader(bytes, at);
    DibInfo info;
    info.headerSize = *size;
    info.width = *I32At(bytes, at + 4);
    info.height = *I32At(bytes, at + 8);
    info.planes = *U16At(bytes, at + 12);
    info.bitCount = *U16At(bytes, at + 14);
    info.compression = *U32At(bytes, at + 16);
    info.imageSize = *U32At(bytes, at + 20);
    info.coloursUsed = *U32At(bytes, at + 32);
    return info;
}

std::uint64_t RowBytes(const DibInfo& info, std::uint16_t bitCount) {
    return BitmapRowBytes(info.width, bitCount);
}

std::uint64_t Rows(const DibInfo& info) {
    return static_cast<std::uint64_t>(std::llabs(info.height));
}

bool IsPaletted(const DibInfo& info) {
    return info.bitCount <= 8;
}

std::uint64_t PaletteBytes(const DibInfo& info) {
    const std::uint64_t entry = info.headerSize == CORE_HEADER_SIZE ? 3 : 4;
    if (!IsPaletted(info)) return std::uint64_t{info.coloursUsed} * entry;
    const std::uint64_t entries =
        info.coloursUsed != 0 ? info.coloursUsed : std::uint64_t{1} << info.bitCount;
    return entries * entry;
}

bool IsBitCount(std::uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool CompressionFits(const DibInfo& info) {
    switch (info.compression) {
        case BI_RGB:
            return info.headerSize != CORE_HEADER_SIZE ||
                   (info.bitCount != 16 && info.bitCount != 32);
        case BI_RLE8:
            return info.bitCount == 8 && info.height > 0;
        case BI_RLE4:
            return info.bitCount == 4 && info.height > 0;
        case BI_BITFIELDS:
            return info.bitCount == 16 || info.bitCount == 32;
        default:
            return false;
    }
}

// Size, depth and compression that a decoder can take at face value.
bool IsSoundDib(const DibInfo& info) {
    if (info.width <= 0 || info.height == 0 || info.planes != 1) return false;
    if (!IsBitCount(info.bitCount) || !CompressionFits(info)) return false;
    if (IsPaletted(info) && info.coloursUsed > (1u << info.bitCount)) return false;
    return WithinPictureBound({info.width, static_cast<std::int64_t>(Rows(info))});
}

// Bytes between the information header and the pixels: bit masks and palette.
std::uint64_t TableBytes(const DibInfo& info) {
    const bool separateMasks =
        info.compression == BI_BITFIELDS && info.headerSize == INFO_HEADER_SIZE;
    return (separateMasks ? 12 : 0) + PaletteBytes(info);
}

bool PixelDataFits(PictureBytes bytes, const DibInfo& info, std::uint64_t dataOffset) {
    if (dataOffset >= bytes.size()) return false;
    if (info.compression == BI_RLE8 || info.compression == BI_RLE4) {
        return HasBytes(bytes, dataOffset, info.imageSize);
    }
    return HasBytes(bytes, dataOffset, RowBytes(info, info.bitCount) * Rows(info));
}

PictureSize DibSize(const DibInfo& info) {
    return {info.width, static_cast<std::int64_t>(Rows(info))};
}

bool IsPng(PictureBytes image) {
    if (!HasBytes(image, 0, PNG_SIGNATURE.size())) return false;
    for (std::size_t i = 0; i < PNG_SIGNATURE.size(); ++i) {
        if (image[i] != PNG_SIGNATURE[i]) return false;
    }
    return true;
}

std::uint32_t BigEndianU32At(PictureBytes bytes, std::uint64_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | bytes[at + i];
    return value;
}

// The signature, then the IHDR chunk: its length 13, its type, width, height.
std::optional<PictureSize> PngHeaderSize(PictureBytes image) {
    constexpr std::uint64_t ihdrEnd = 8 + 8 + 13;
    constexpr std::uint32_t IHDR_LENGTH = 13;
    constexpr std::uint32_t IHDR = 0x49484452;
    if (!IsPng(image) || !HasBytes(image, 0, ihdrEnd)) return std::nullopt;
    if (BigEndianU32At(image, 8) != IHDR_LENGTH || BigEndianU32At(image, 12) != IHDR) {
        return std::nullopt;
    }
    return PictureSize{BigEndianU32At(image, 16), BigEndianU32At(image, 20)};
}

// An icon image stored as a bitmap: information header, palette, colour
// rows, then the one-bit mask rows; its height counts both.
bool CheckIconDib(PictureBytes image) {
    const auto info = ReadDibInfo(image, 0);
    if (!info || info->headerSize != INFO_HEADER_SIZE || info->compression != BI_RGB) {
        return false;
    }
    if (info->height < 2 || !IsSoundDib(*info)) return false;
    DibInfo half = *info;
    half.height = info->height / 2;
    const std::uint64_t colours = RowBytes(half, half.bitCount) * Rows(half);
    const std::uint64_t mask = RowBytes(half, 1) * Rows(half);
    return HasBytes(image, 0, info->headerSize + PaletteBytes(half) + colours + mask);
}

// The image of an icon entry, when the directory points inside the file.
std::optional<PictureBytes> IconImage(PictureBytes bytes, std::uint64_t entry) {
    const auto size = U32At(bytes, entry + 8);
    const auto offset = U32At(bytes, entry + 12);
    if (!size || !offset || !HasBytes(bytes, *offset, *size)) return std::nullopt;
    return bytes.subspan(*offset, *size);
}

std::optional<PictureSize> IconImageSize(PictureBytes image) {
    if (IsPng(image)) return PngHeaderSize(image);
    const auto info = ReadDibInfo(image, 0);
    if (!info) return std::nullopt;
    // The height counts the colour rows and the mask rows.
    return PictureSize{info->width, static_cast<std::int64_t>(Rows(*info) / 2)};
}

// An icon directory says at most 256 a side, and Qt's reader takes no more.
bool IconImageFits(PictureBytes image) {
    constexpr std::int64_t ICON_MOST_SIDE = 256;
    const auto size = IconImageSize(image);
    return size && size->width <= ICON_MOST_SIDE && size->height <= ICON_MOST_SIDE;
}

bool CheckIconEntry(PictureBytes bytes, std::uint64_t entry, std::uint64_t directoryEnd) {
    const std::uint32_t size = *U32At(bytes, entry + 8);
    const std::uint32_t offset = *U32At(bytes, entry + 12);
    if (size == 0 || offset < directoryEnd || !HasBytes(bytes, offset, size)) return false;
    const PictureBytes image = bytes.subspan(offset, size);
    if (!IconImageFits(image)) return false;
    return IsPng(image) ? CheckPngBytes(image) : CheckIconDib(image);
}

}  // namespace

std::uint64_t BitmapRowBytes(std::int64_t width, std::uint16_t bitCount) {
    const auto bits = static_cast<std::uint64_t>(width) * bitCount;
    return (bits + 31) / 32 * 4;
}

std::optional<BitmapLayout> CheckBitmapBytes(PictureBytes bytes) {
    if (!HasBytes(bytes, 0, FILE_HEADER_SIZE) || bytes[0] != 'B' || bytes[1] != 'M') return {};
    const auto info = ReadDibInfo(bytes, FILE_HEADER_SIZE);
    if (!info || !IsSoundDib(*info)) return std::nullopt;
    const std::uint64_t headersEnd = FILE_HEADER_SIZE + info->headerSize;
    if (!HasBytes(bytes, headersEnd, TableBytes(*info))) return std::nullopt;
    const std::uint32_t dataOffset = *U32At(bytes, 10);
    if (dataOffset < headersEnd || !PixelDataFits(bytes, *info, dataOffset)) return std::nullopt;
    const bool runLength = info->compression == BI_RLE8 || info->compression == BI_RLE4;
    return BitmapLayout{dataOffset, info->width, info->height, info->bitCount, runLength};
}

bool CheckPngBytes(PictureBytes bytes) {
    const auto size = PngHeaderSize(bytes);
    return size && size->width > 0 && size->height > 0 && WithinPictureBound(*size);
}

std::optional<PictureSize> DeclaredBitmapSize(PictureBytes bytes) {
    if (!HasBytes(bytes, 0, FILE_HEADER_SIZE) || bytes[0] != 'B' || bytes[1] != 'M') return {};
    const auto info = ReadDibInfo(bytes, FILE_HEADER_SIZE);
    if (!info) return std::nullopt;
    return DibSize(*info);
}

std::optional<PictureSize> DeclaredPngSize(PictureBytes bytes) {
    return PngHeaderSize(bytes);
}

std::optional<PictureSize> DeclaredIconSize(PictureBytes bytes) {
    const auto count = U16At(bytes, 4);
    if (!count) return std::nullopt;
    std::optional<PictureSize> first;
    for (std::uint64_t i = 0; i < *count; ++i) {
        const auto image = IconImage(bytes, ICON_DIRECTORY_SIZE + ICON_ENTRY_SIZE * i);
        const auto size = image ? IconImageSize(*image) : std::nullopt;
        if (size && !WithinPictureBound(*size)) return size;
        if (!first) first = size;
    }
    return first;
}

bool CheckIconBytes(PictureBytes bytes) {
    const auto reserved = U16At(bytes, 0);
    const auto type = U16At(bytes, 2);
    const auto count = U16At(bytes, 4);
    if (!count || *reserved != 0 || *type != 1 || *count == 0) return false;
    const std::uint64_t directoryEnd = ICON_DIRECTORY_SIZE + ICON_ENTRY_SIZE * *count;
    if (!HasBytes(bytes, 0, directoryEnd)) return false;
    for (std::uint64_t i = 0; i < *count; ++i) {
        if (!CheckIconEntry(bytes, ICON_DIRECTORY_SIZE + ICON_ENTRY_SIZE * i, directoryEnd)) {
            return false;
        }
    }
    return true;
}

}  // namespace kovex
