#include "cli/PicturePixels.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "display/core/PagePacking.h"
#include "display/core/PixelStream.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): posix_spawn's environment

namespace kovex {
namespace {

namespace fs = std::filesystem;

// The program beside kovexctl, as in a build, or where the package puts it.
std::optional<fs::path> FindPictureProgram() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) return std::nullopt;
    for (const fs::path& candidate :
         {self.parent_path() / PICTURE_PROGRAM,
          self.parent_path().parent_path() / "lib" / "kovex" / PICTURE_PROGRAM}) {
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

class Pipe {
public:
    Pipe() {
        if (pipe2(ends_.data(), O_CLOEXEC) != 0) throw std::runtime_error("no pipe for a picture");
    }
    ~Pipe() {
        for (const int fd : ends_) {
            if (fd >= 0) close(fd);
        }
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    int Read() const { return ends_[0]; }
    int Write() const { return ends_[1]; }
    void CloseWrite() {
        close(ends_[1]);
        ends_[1] = -1;
    }

private:
    std::array<int, 2> ends_{-1, -1};
};

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Reads both pipes to their ends (what the program writes is small).
void ReadBoth(Pipe& out, Pipe& err, ProgramRun& run) {
    std::array<pollfd, 2> fds{{{out.Read(), POLLIN, 0}, {err.Read(), POLLIN, 0}}};
    std::array<std::string*, 2> texts{&run.out, &run.err};
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds.at(i).fd < 0 || fds.at(i).revents == 0) continue;
            std::array<char, 4096> buffer{};
            const ssize_t got = read(fds.at(i).fd, buffer.data(), buffer.size());
            if (got > 0) {
                texts.at(i)->append(buffer.data(), static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                fds.at(i).fd = -1;
            }
        }
    }
}

ProgramRun RunProgram(const fs::path& program, const std::string& path) {
    Pipe out;
    Pipe err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out.Write(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.Write(), STDERR_FILENO);
    std::string programText = program.string();
    std::string pathText = path;
    // The path after "--": a name that starts with "-" is still the file.
    std::string endOfOptions = "--";
    std::array<char*, 4> argv{programText.data(), endOfOptions.data(), pathText.data(), nullptr};
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, programText.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    out.CloseWrite();
    err.CloseWrite();
    ProgramRun run;
    if (spawned != 0) return run;
    ReadBoth(out, err, run);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

}  // namespace

PixelGrid PicturePixels(const std::string& path) {
    const auto program = FindPictureProgram();
    if (!program) throw std::runtime_error(std::string(NO_PICTURE_SUPPORT_TEXT));
    const ProgramRun run = RunProgram(*program, path);
    const std::size_t mostPixels = std::size_t{PACKED_COLUMNS} * PAGE_COUNT * PAGE_ROWS;
    if (run.status == 0) {
        if (auto pixels = DecodePixels(run.out, mostPixels)) return *pixels;
    }
    if (!run.err.empty()) throw std::runtime_error(FirstLine(run.err));
    throw std::runtime_error("the picture support (" + program->string() +
                             ") failed without a word (status " + std::to_string(run.status) + ")");
}

}  // namespace kovex
