#include "display/pictures/PictureLoader.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "display/pictures/PictureBound.h"
#include "display/pictures/PictureBytes.h"
#include "display/pictures/PictureDecoders.h"
#include "seam/UserFile.h"

namespace kovex {
namespace {

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
    return std::equal(text.begin(), text.end(), lower.begin(), lower.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

// The file name's extension without its dot; empty when it has none.
std::string ExtensionOf(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    return extension;
}

bool IsMetafile(PictureKind kind) {
    return kind == PictureKind::EnhancedMetafile || kind == PictureKind::WindowsMetafile;
}

// Why the name could not be read; empty when it is not there at all, whose
// text stays the system's own. A link whose target is missing says so.
std::string CauseOf(const std::string& path, const UserFileError& error) {
    if (error.Why() == UserFileError::Cause::Refused) return error.what();
    namespace fs = std::filesystem;
    std::error_code ignored;
    const fs::file_status name = fs::symlink_status(path, ignored);
    if (name.type() == fs::file_type::not_found) return {};
    if (fs::is_symlink(name) && fs::status(path, ignored).type() == fs::file_type::not_found) {
        return "it is a link to " + fs::read_symlink(path, ignored).string() +
               ", which does not exist";
    }
    return error.what();
}

UserFile ReadPictureFile(const std::string& path, PictureKind kind) {
    const std::uint64_t limit = IsMetafile(kind) ? METAFILE_FILE_LIMIT : PICTURE_FILE_LIMIT;
    try {
        return ReadUserFile(path, limit);
    } catch (const UserFileError& error) {
        std::string text = "Cannot open file " + path;
        if (const std::string cause = CauseOf(path, error); !cause.empty()) text += ": " + cause;
        throw PictureError(text);
    }
}

QImage Decode(PictureBytes bytes, PictureKind kind) {
    switch (kind) {
        case PictureKind::Bitmap:
            return DecodeBitmap(bytes);
        case PictureKind::Icon:
            return DecodeIcon(bytes);
        case PictureKind::EnhancedMetafile:
            return DrawEnhancedMetafile(bytes);
        case PictureKind::WindowsMetafile:
            return DrawWindowsMetafile(bytes);
        case PictureKind::Png:
            return DecodePng(bytes);
    }
    return {};
}

}  // namespace

std::optional<PictureKind> PictureKindForExtension(std::string_view extension) {
    if (EqualsIgnoringCase(extension, "bmp")) return PictureKind::Bitmap;
    if (EqualsIgnoringCase(extension, "ico")) return PictureKind::Icon;
    if (EqualsIgnoringCase(extension, "emf")) return PictureKind::EnhancedMetafile;
    if (EqualsIgnoringCase(extension, "wmf")) return PictureKind::WindowsMetafile;
    if (EqualsIgnoringCase(extension, "png")) return PictureKind::Png;
    return std::nullopt;
}

const char* InvalidPictureText(PictureKind kind) {
    switch (kind) {
        case PictureKind::Bitmap:
            return "Bitmap image is not valid";
        case PictureKind::Icon:
            return "Icon image is not valid";
        case PictureKind::EnhancedMetafile:
        case PictureKind::WindowsMetafile:
            return "Metafile is not valid";
        case PictureKind::Png:
            return "PNG image is not valid";
    }
    return "Metafile is not valid";
}

QImage LoadPictureBytes(PictureBytes bytes, PictureKind kind) {
    if (const auto size = DeclaredSize(bytes, kind)) RefuseOverBound(*size, kind);
    QImage image = Decode(bytes, kind);
    if (image.isNull()) throw PictureError(InvalidPictureText(kind));
    return image;
}

QImage LoadPictureFile(const std::string& path) {
    const std::string extension = ExtensionOf(path);
    const auto kind = PictureKindForExtension(extension);
    if (!kind) {
        throw PictureError("Unknown picture file extension (." + extension +
                           "): the picture must be a .bmp, .ico, .emf, .wmf or .png file");
    }
    const UserFile file = ReadPictureFile(path, *kind);
    return LoadPictureBytes(file.Bytes(), *kind);
}

}  // namespace kovex
