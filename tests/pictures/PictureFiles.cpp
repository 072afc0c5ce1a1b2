#include "pictures/PictureFiles.h"

#include <QImage>
#include <fstream>
#include <iterator>

#include "display/pictures/PictureLoader.h"
#include "support/TempFolder.h"

namespace kovex {

std::string SamplePath(const std::string& name) {
    return std::string(KOVEX_PICTURES_DIR) + "/" + name;
}

Bytes ReadSample(const std::string& name) {
    std::ifstream file(SamplePath(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string WriteTemp(const std::string& name, const Bytes& bytes) {
    std::string path = scratch::RunFolder() + name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ErrorOf(const std::string& path) {
    try {
        const QImage image = LoadPictureFile(path);
        return "loaded " + std::to_string(image.width()) + "x" + std::to_string(image.height());
    } catch (const PictureError& error) {
        return error.what();
    }
}

}  // namespace kovex
