#include "support/OddFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <utility>

namespace kovex::testing {

OddFiles::OddFiles(const std::string& extension, std::uint64_t limit) {
    std::string pattern = std::filesystem::temp_directory_path() / "kovex-odd-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    fifo = root_ + "/fifo" + extension;
    zeroLink = root_ + "/zero" + extension;
    overLimit = root_ + "/huge" + extension;
    folder = root_ + "/folder" + extension;
    std::filesystem::create_directory(folder);
    std::filesystem::create_symlink("/dev/zero", zeroLink);
    if (::mkfifo(fifo.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
    const int huge = ::open(overLimit.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const bool sized = huge >= 0 && ::ftruncate(huge, static_cast<off_t>(limit + 1)) == 0;
    if (huge >= 0) ::close(huge);
    if (!sized) throw std::runtime_error("cannot make the sparse file");
}

OddFiles::~OddFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

FifoWriter::FifoWriter(std::string fifo)
    : fifo_(std::move(fifo)), writer_([this] {
          const int fd = ::open(fifo_.c_str(), O_WRONLY | O_CLOEXEC);
          if (fd >= 0) ::close(fd);
      }) {}

FifoWriter::~FifoWriter() {
    const int reader = ::open(fifo_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer_.join();
    if (reader >= 0) ::close(reader);
}

}  // namespace kovex::testing
