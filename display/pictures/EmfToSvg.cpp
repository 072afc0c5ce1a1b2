// EMF to SVG through libemf2svg.
#include <emf2svg.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "display/pictures/MetafileConverters.h"

namespace kovex {
namespace {

constexpr double SCREEN_DPI = 96.0;
constexpr double HUNDREDTHS_MM_PER_INCH = 2540.0;
constexpr std::size_t OVERREAD_PADDING = 4096;

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }  // NOLINT(cppcoreguidelines-no-malloc)
};

double Span(std::int32_t low, std::int32_t high) {
    return static_cast<double>(static_cast<std::int64_t>(high) - low);
}

}  // namespace

int ScreenPixels(double value) {
    constexpr double most = 1e9;
    if (!(value >= 1.0)) return 0;  // also NaN
    return value > most ? static_cast<int>(most) : static_cast<int>(std::lround(value));
}

// The natural size: the frame measured at screen resolution; a metafile
// without a frame measures its bounds in device pixels.
std::optional<SvgPicture> EnhancedMetafileToSvg(PictureBytes bytes,
                                                const EnhancedMetafileHeader& header) {
    SvgPicture picture;
    const double scale = SCREEN_DPI / HUNDREDTHS_MM_PER_INCH;
    picture.width = ScreenPixels(Span(header.frame.left, header.frame.right) * scale);
    picture.height = ScreenPixels(Span(header.frame.top, header.frame.bottom) * scale);
    if (picture.width == 0 || picture.height == 0) {
        picture.width = ScreenPixels(Span(header.bounds.left, header.bounds.right) + 1);
        picture.height = ScreenPixels(Span(header.bounds.top, header.bounds.bottom) + 1);
    }
    if (picture.width == 0 || picture.height == 0) return std::nullopt;

    // Zeros after the metafile: a record shorter than its type needs then
    // reads zeros here instead of whatever lies after the buffer.
    std::vector<char> contents(header.bytes + OVERREAD_PADDING, 0);
    std::ranges::copy(bytes.first(header.bytes), contents.begin());
    std::array<char, 1> noNameSpace{};
    generatorOptions options{};
    options.nameSpace = noNameSpace.data();
    options.emfplus = true;
    options.svgDelimiter = true;
    char* out = nullptr;
    std::size_t length = 0;
    const int converted = emf2svg(contents.data(), header.bytes, &out, &length, &options);
    const std::unique_ptr<char, FreeDeleter> owned(out);
    if (converted == 0 || out == nullptr) return std::nullopt;
    picture.svg.assign(out, length);
    return picture;
}

}  // namespace kovex
