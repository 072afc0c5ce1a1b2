// kovex-picture-pixels FILE: the picture support of the window tool as a
// program of its own, for kovexctl (which links no window toolkit): it loads
// the picture as the Upload dialog does and writes the pixels the display
// can show to standard output as a binary PPM. A picture that cannot be
// loaded gives its reason on standard error and status 2.
#include <QGuiApplication>
#include <cstdio>
#include <string>

#include "display/core/PixelStream.h"
#include "display/pictures/PictureGrid.h"
#include "display/pictures/PictureLoader.h"

namespace {

constexpr int EXIT_NOT_LOADED = 2;

// Qt's own warnings (a missing XDG_RUNTIME_DIR, say) are not the picture's.
void QuietQtMessages(QtMsgType type, const QMessageLogContext& /*context*/, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("usage: kovex-picture-pixels FILE\n", stderr);
        return EXIT_NOT_LOADED;
    }
    // Icons and metafiles are drawn by Qt: it needs a display connection,
    // which the offscreen platform offers on a machine without a desktop.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
    const QGuiApplication application(argc, argv);
    try {
        const std::string pixels =
            kovex::EncodePixels(kovex::DisplayablePixels(kovex::LoadPictureFile(argv[1])));
        if (std::fwrite(pixels.data(), 1, pixels.size(), stdout) != pixels.size() ||
            std::fflush(stdout) != 0) {
            return EXIT_NOT_LOADED;
        }
    } catch (const kovex::PictureError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return EXIT_NOT_LOADED;
    }
    return 0;
}
