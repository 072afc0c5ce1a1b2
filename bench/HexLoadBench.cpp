// Loads an Intel HEX file as Program KOVEX does (read whole, then load and
// pre-flight check in one pass) and prints the image's end, the SHA-256 of the whole image and the
// load speed. No window and no Qt platform needed.
//
//   kovex_bench_hexload FILE
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>

#include "Sha256.h"
#include "firmware/FirmwareFile.h"
#include "firmware/HexPreflight.h"

namespace {

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    try {
        const kovex::FirmwareFile firmware = kovex::ReadFirmwareFile(argv[1]);
        const std::span<const std::uint8_t> file = firmware.Bytes();
        const auto wallStart = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuSeconds();
        const kovex::CheckedHexFile checked = kovex::LoadAndCheckHexFile(file);
        const double cpuStop = ThreadCpuSeconds();
        const kovex::HexImage& image = checked.image;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        std::printf("ImageEnd: 0x%X\n", static_cast<unsigned>(image.ImageEnd));
        std::printf("SHA-256: %s\n", kovex::bench::Sha256Hex(image.FirmwareImage).c_str());
        // On the CPU time of the loading thread, which other programs on a
        // busy machine do not inflate; the wall time is shown beside it.
        const double seconds = cpuStop - cpuStart;
        std::printf(
            "Load speed: %.0f MB/s (%zu bytes; CPU: load and pre-flight %.3f ms; wall %.3f ms; "
            "pre-flight %s)\n",
            static_cast<double>(file.size()) / seconds / 1e6, file.size(), seconds * 1e3,
            wall * 1e3, checked.findings.Clean() ? "clean" : "has findings");
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
