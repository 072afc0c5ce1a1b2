// Names that are not regular files, made for one test in a folder of its own
// that goes with it: a FIFO, a link to /dev/zero, a sparse file one byte over
// a size limit, a folder.
#pragma once

#include <cstdint>
#include <string>
#include <thread>

namespace kovex::testing {

class OddFiles {
public:
    // Every name ends in extension (".bmp", or nothing).
    OddFiles(const std::string& extension, std::uint64_t limit);
    ~OddFiles();
    OddFiles(const OddFiles&) = delete;
    OddFiles& operator=(const OddFiles&) = delete;

    std::string fifo, zeroLink, overLimit, folder;

private:
    std::string root_;
};

// While it lives, a writer waits to open the FIFO. Code that opens it to
// read, as it must not, then gets the writer and the end of the file instead
// of blocking the test for ever; code that leaves it alone blocks nothing.
class FifoWriter {
public:
    explicit FifoWriter(std::string fifo);
    ~FifoWriter();  // opens the reading end itself, so the writer returns
    FifoWriter(const FifoWriter&) = delete;
    FifoWriter& operator=(const FifoWriter&) = delete;

private:
    std::string fifo_;
    std::thread writer_;
};

}  // namespace kovex::testing
