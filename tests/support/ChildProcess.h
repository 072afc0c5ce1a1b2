// A program run as a child process with its standard output and error on
// pipes; every wait is for an event (a text on a pipe, the child's end).
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace kovex::testing {

class ChildProcess {
public:
    // argv[0] is the program's path.
    explicit ChildProcess(std::vector<std::string> argv);
    // Kills a child still running and reaps it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    // Reads standard error until it holds text; false when it ended first.
    bool WaitForError(std::string_view text);
    void Signal(int signal) const;
    // Stops reading the child's standard output, as a reader that goes away.
    void CloseOutput();

    struct Ended {
        int status = -1;  // the exit status; -1 when a signal ended it
        std::string out;
        std::string err;
    };
    // Reads both pipes to their end (the outputs are short) and reaps the child.
    Ended Finish();

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string errSoFar_;
};

}  // namespace kovex::testing
