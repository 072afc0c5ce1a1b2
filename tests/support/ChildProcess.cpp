#include "support/ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>

namespace kovex::testing {
namespace {

// Appends one read's worth; false at the end of the pipe.
bool ReadInto(int fd, std::string& text) {
    std::array<char, 4096> buffer{};
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got > 0) text.append(buffer.data(), static_cast<std::size_t>(got));
    return got > 0;
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv) {
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    std::array<int, 2> out{};
    std::array<int, 2> err{};
    if (::pipe2(out.data(), O_CLOEXEC) != 0 || ::pipe2(err.data(), O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // No terminal to ask on, whoever runs the tests: a question is answered No.
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    if (posix_spawn(&pid_, pointers[0], &actions, nullptr, pointers.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) Signal(SIGKILL);
    Finish();
}

bool ChildProcess::WaitForError(std::string_view text) {
    while (errSoFar_.find(text) == std::string::npos) {
        if (!ReadInto(err_, errSoFar_)) return false;
    }
    return true;
}

void ChildProcess::Signal(int signal) const {
    ::kill(pid_, signal);
}

void ChildProcess::CloseOutput() {
    if (out_ >= 0) ::close(out_);
    out_ = -1;
}

ChildProcess::Ended ChildProcess::Finish() {
    Ended ended{-1, {}, errSoFar_};
    while (out_ >= 0 && ReadInto(out_, ended.out)) {
    }
    while (err_ >= 0 && ReadInto(err_, ended.err)) {
    }
    for (int* fd : {&out_, &err_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    int status = 0;
    if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) {
        ended.status = WEXITSTATUS(status);
    }
    pid_ = -1;
    return ended;
}

}  // namespace kovex::testing
