// Shared by the picture fuzz targets: a QGuiApplication on the offscreen
// platform (QtSvg draws text with the application's fonts), and one load
// whose outcome must be either an error with the kind's text or an image
// that the graphic window can take.
#pragma once

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "display/pictures/PictureBytes.h"
#include "display/pictures/PictureDecoders.h"
#include "display/pictures/PictureLoader.h"

namespace kovex::fuzz {

inline void StartGuiApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static const auto application = std::make_unique<QGuiApplication>(argc, argv);
}

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "picture loader property broken: %s\n", what);
    std::abort();
}

inline void LoadOnce(const std::uint8_t* data, std::size_t size, PictureKind kind) {
    try {
        const QImage image = LoadPictureBytes(PictureBytes(data, size), kind);
        if (image.isNull()) Fail("a null image was returned");
        if (image.format() != QImage::Format_RGB32) Fail("the image is not RGB32");
        if (image.width() > DISPLAY_CORNER.width() || image.height() > DISPLAY_CORNER.height()) {
            Fail("a picture is larger than the corner the display shows");
        }
    } catch (const PictureError& error) {
        // The kind's text, alone or followed by ": " and the bound passed.
        const std::string_view text = error.what();
        const std::string_view invalid = InvalidPictureText(kind);
        if (!text.starts_with(invalid)) Fail("wrong error text");
        if (text.size() != invalid.size() && !text.substr(invalid.size()).starts_with(": ")) {
            Fail("wrong error text");
        }
    }
}

}  // namespace kovex::fuzz
