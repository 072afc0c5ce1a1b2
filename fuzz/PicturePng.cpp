// Any bytes as a .png file: the header checks, then the decoder.
#include "fuzz/PictureSupport.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    kovex::fuzz::StartGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kovex::fuzz::LoadOnce(data, size, kovex::PictureKind::Png);
    return 0;
}
