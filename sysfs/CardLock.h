// One program per card: an opened device holds an exclusive flock on its
// resource0 file until it is closed. The kernel drops the lock when the
// process ends, however it ends, so a crashed or killed holder never leaves
// the card locked. A second opener is refused at once, with the holder named
// from /proc/locks where the system lets it be seen.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "sysfs/SysfsFiles.h"
#include "sysfs/SysfsSystem.h"

namespace kovex {

struct LockHolder {
    long pid = 0;
    std::string program;
};

// The file a lock line of /proc/locks is about: the device of its file
// system and its inode number.
struct LockedFile {
    unsigned major = 0;
    unsigned minor = 0;
    std::uint64_t inode = 0;
};

// The pid of the process holding a FLOCK on the file, from the text of
// /proc/locks; none when no line shows one, or its pid is hidden (0 or -1,
// as in another pid namespace).
std::optional<long> FlockHolderPid(std::string_view procLocks, const LockedFile& file);

// The program's name from /proc/PID/comm and /proc/PID/cmdline. The kernel
// cuts comm to 15 characters ("kovex-programme"): a name of that length is
// completed from argv[0] when comm is its start.
std::string ProgramName(std::string_view comm, std::string_view cmdline);

// "kovexctl (pid 4242)", or "another program" when the holder cannot be named.
std::string HolderText(const std::optional<LockHolder>& holder);
// "Card 0000:03:07.0 is in use by kovexctl (pid 4242)", or "... is in use by
// another program" when the holder cannot be named.
std::string CardInUseText(const std::string& address, const std::optional<LockHolder>& holder);

struct CardLockAttempt;

class CardLock {
public:
    // Opens file (the card's resource0) read-only and locks it without
    // waiting; address names the card in the refusal.
    static CardLockAttempt Take(SysfsSystem& system, const std::filesystem::path& file,
                                const std::string& address);
    // Who holds the lock on file, as HolderText says it; empty when nobody
    // does, or the file cannot be opened to tell. A free lock is taken and
    // let go at once.
    static std::string HolderOf(SysfsSystem& system, const std::filesystem::path& file);

private:
    explicit CardLock(SystemFile file) : file_(std::move(file)) {}
    SystemFile file_;  // closing it lets the lock go
};

// What a try gave: the lock, or why there is none: inUse when another open
// file holds it (error then says so, and holder who), else error names the
// failed call.
struct CardLockAttempt {
    std::optional<CardLock> lock;
    bool inUse = false;
    std::string error;
    std::string holder;
};

}  // namespace kovex
