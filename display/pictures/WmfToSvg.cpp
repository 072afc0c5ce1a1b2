// WMF to SVG through libwmf's SVG device. libwmf needs its fonts (Debian:
// fonts-urw-base35) or it refuses every file.
#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <memory>
#include <vector>

#include "display/pictures/MetafileConverters.h"

namespace kovex {
namespace {

constexpr double SCREEN_DPI = 96.0;
constexpr double POINTS_PER_INCH = 72.0;  // libwmf's device units

struct WmfApiDeleter {
    void operator()(wmfAPI* api) const { wmf_api_destroy(api); }
};
using WmfApi = std::unique_ptr<wmfAPI, WmfApiDeleter>;

WmfApi CreateSvgPlayer() {
    wmfAPI* api = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api != nullptr) wmf_api_destroy(api);
        return nullptr;
    }
    return WmfApi(api);
}

// The area the SVG shows: the placeable frame in libwmf's device units, or,
// for a metafile that gives no frame, what its records draw.
wmfD_Rect PictureArea(const WindowsMetafileHeader& header, const wmfD_Rect& drawn) {
    if (!header.placeable) return drawn;
    const PlaceableFrame& frame = *header.placeable;
    const double scale = POINTS_PER_INCH / frame.unitsPerInch;
    wmfD_Rect area{};
    area.TL.x = static_cast<float>(frame.box.left * scale);
    area.TL.y = static_cast<float>(frame.box.top * scale);
    area.BR.x = static_cast<float>(frame.box.right * scale);
    area.BR.y = static_cast<float>(frame.box.bottom * scale);
    return area;
}

// Plays the opened metafile into a memory stream and returns the SVG text.
std::optional<std::string> Play(wmfAPI* api, const wmfD_Rect& area, unsigned int width,
                                unsigned int height) {
    wmf_svg_t* device = WMF_SVG_GetData(api);
    device->out = wmf_stream_create(api, nullptr);
    if (device->out == nullptr) return std::nullopt;
    device->bbox = area;
    device->width = width;
    device->height = height;
    wmfD_Rect played{};
    const wmf_error_t error = wmf_play(api, 0, &played);
    char* text = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api, device->out, &text, &length);
    std::optional<std::string> svg;
    if (error == wmf_E_None && text != nullptr) svg.emplace(text, length);
    if (text != nullptr) wmf_free(api, text);
    return svg;
}

}  // namespace

std::optional<SvgPicture> WindowsMetafileToSvg(PictureBytes bytes,
                                               const WindowsMetafileHeader& header) {
    const WmfApi api = CreateSvgPlayer();
    if (!api) return std::nullopt;
    const PictureBytes metafile = bytes.first(header.bytes);
    std::vector<unsigned char> contents(metafile.begin(), metafile.end());
    if (wmf_mem_open(api.get(), contents.data(), static_cast<long>(contents.size())) !=
        wmf_E_None) {
        return std::nullopt;
    }
    wmfD_Rect drawn{};
    unsigned int width = 0;
    unsigned int height = 0;
    std::optional<std::string> svg;
    if (wmf_scan(api.get(), 0, &drawn) == wmf_E_None &&
        wmf_display_size(api.get(), &width, &height, SCREEN_DPI, SCREEN_DPI) == wmf_E_None) {
        svg = Play(api.get(), PictureArea(header, drawn), width, height);
    }
    wmf_mem_close(api.get());
    if (!svg) return std::nullopt;
    SvgPicture picture{std::move(*svg), ScreenPixels(width), ScreenPixels(height)};
    if (picture.width == 0 || picture.height == 0) return std::nullopt;
    return picture;
}

}  // namespace kovex
