// kovexctl run as a process, by the path of the built program: its standard
// output and error read as they come, its exit status when it ends.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace kovex::testing {

struct Child {
    pid_t pid = -1;
    int out = -1;
    int err = -1;
};

struct Finished {
    int status = -1;  // the exit status; 128 + N when signal N ended it
    std::string out;
    std::string err;
};

// Starts kovexctl with `args` (the simulated card unless told otherwise).
inline Child Spawn(std::vector<std::string> args, bool sim = true) {
    if (sim) args.insert(args.begin(), "--sim");
    args.insert(args.begin(), KOVEXCTL_PATH);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::array<int, 2> out{};
    std::array<int, 2> err{};
    // Only the child's standard output and error stay open in it.
    EXPECT_EQ(pipe2(out.data(), O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(err.data(), O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    Child child;
    EXPECT_EQ(posix_spawn(&child.pid, KOVEXCTL_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    child.out = out[0];
    child.err = err[0];
    return child;
}

// Reads what is there on either pipe (waiting for it); false once both end.
inline bool ReadSome(Child& child, Finished& into) {
    if (child.out < 0 && child.err < 0) return false;
    std::array<pollfd, 2> fds{{{child.out, POLLIN, 0}, {child.err, POLLIN, 0}}};
    poll(fds.data(), fds.size(), -1);
    const std::array<std::pair<int*, std::string*>, 2> pipes{
        {{&child.out, &into.out}, {&child.err, &into.err}}};
    for (std::size_t i = 0; i < pipes.size(); ++i) {
        int& fd = *pipes.at(i).first;
        if (fd < 0 || fds.at(i).revents == 0) continue;
        std::array<char, 4096> buffer{};
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        if (got <= 0) {
            close(fd);
            fd = -1;
        } else {
            pipes.at(i).second->append(buffer.data(), static_cast<std::size_t>(got));
        }
    }
    return true;
}

// Reads until `text` is on standard error; false when the run ended first.
inline bool ReadUntilError(Child& child, Finished& into, const std::string& text) {
    while (into.err.find(text) == std::string::npos) {
        if (!ReadSome(child, into)) return false;
    }
    return true;
}

inline Finished Finish(Child& child, Finished so_far = {}) {
    while (ReadSome(child, so_far)) {
    }
    int status = 0;
    waitpid(child.pid, &status, 0);
    so_far.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return so_far;
}

inline Finished RunKovexctl(const std::vector<std::string>& args, bool sim = true) {
    Child child = Spawn(args, sim);
    return Finish(child);
}

}  // namespace kovex::testing
