// kovex-picture-pixels [--] FILE: the picture support of the window tool as a
// program of its own, for kovexctl (which links no window toolkit): it loads
// the picture as the Upload dialog does and writes the pixels the display
// can show to standard output as a binary PPM. A picture that cannot be
// loaded gives its reason on standard error and status 2.
//
// The file name is data, never an option, and the file is the only input:
// Qt is given an argument list of its own, the offscreen platform, and an
// empty environment, so neither a name such as "-reverse" nor a variable
// such as QT_QPA_PLATFORM or QT_PLUGIN_PATH changes what is decoded.
#include <QGuiApplication>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// FILE, or "--" then FILE; nothing else is read from the command line.
std::optional<std::string> PictureArgument(const std::vector<std::string_view>& words) {
    if (words.size() == 1 && words[0] != "--") return std::string(words[0]);
    if (words.size() == 2 && words[0] == "--") return std::string(words[1]);
    return std::nullopt;
}

int WritePixels(const std::string& path) {
    try {
        const std::string pixels =
            kovex::EncodePixels(kovex::DisplayablePixels(kovex::LoadPictureFile(path)));
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

}  // namespace

int main(int argc, char* argv[]) {
    const std::optional<std::string> path =
        PictureArgument(std::vector<std::string_view>(argv + 1, argv + argc));
    if (!path) {
        std::fputs("usage: kovex-picture-pixels [--] FILE\n", stderr);
        return EXIT_NOT_LOADED;
    }
    ::clearenv();
    qInstallMessageHandler(QuietQtMessages);
    // Icons and metafiles are drawn by Qt: it needs a display connection,
    // which the offscreen platform offers on any machine.
    std::array<char, 21> name{"kovex-picture-pixels"};
    std::array<char, 10> platformOption{"-platform"};
    std::array<char, 10> platform{"offscreen"};
    std::array<char*, 4> qtArguments{name.data(), platformOption.data(), platform.data(), nullptr};
    int qtArgumentCount = 3;
    const QGuiApplication application(qtArgumentCount, qtArguments.data());
    return WritePixels(*path);
}
