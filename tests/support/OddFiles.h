// Names that are not regular files, in a folder of their own: a FIFO, a link
// to /dev/zero, a sparse file one byte over limit, a folder.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <thread>

namespace kovex {

struct OddFiles {
    OddFiles(const std::string& extension, std::uint64_t limit)
        : root(std::filesystem::temp_directory_path() / "kovex-odd-XXXXXX") {
        if (::mkdtemp(root.data()) == nullptr) throw std::runtime_error("mkdtemp: " + root);
        for (auto [name, path] : {std::pair{"/fifo", &fifo},
                                  {"/zero", &zeroLink},
                                  {"/huge", &overLimit},
                                  {"/folder", &folder}})
            *path = root + name + extension;
        std::filesystem::create_directory(folder);
        std::filesystem::create_symlink("/dev/zero", zeroLink);
        ::mkfifo(fifo.c_str(), 0600);
        ::close(::creat(overLimit.c_str(), 0600));
        std::filesystem::resize_file(overLimit, limit + 1);  // sparse
    }
    ~OddFiles() { std::filesystem::remove_all(root); }
    std::string root, fifo, zeroLink, overLimit, folder;
};

// A writer waits on the FIFO while read runs, so a reader that blocks in open() gets it.
inline void WithFifoWriter(const std::string& fifo, const std::function<void()>& read) {
    std::thread writer([&fifo] { ::close(::open(fifo.c_str(), O_WRONLY | O_CLOEXEC)); });
    read();
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer.join();
    ::close(reader);
}

}  // namespace kovex
