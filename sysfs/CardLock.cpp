#include "sysfs/CardLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <charconv>
#include <fstream>
#include <sstream>
#include <vector>

#include "sysfs/SysfsErrors.h"

namespace kovex {
namespace {

// The kernel's limit on comm, without its end byte.
constexpr std::size_t COMM_LENGTH = 15;

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text, int base) {
    Number value{};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
    return value;
}

// "fe:00:10953164": major and minor in hex, the inode in decimal.
std::optional<LockedFile> ParseLockedFile(std::string_view text) {
    const auto first = text.find(':');
    const auto second = text.find(':', first == std::string_view::npos ? first : first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto major = ParseNumber<unsigned>(text.substr(0, first), 16);
    const auto minor = ParseNumber<unsigned>(text.substr(first + 1, second - first - 1), 16);
    const auto inode = ParseNumber<std::uint64_t>(text.substr(second + 1), 10);
    if (!major || !minor || !inode) return std::nullopt;
    return LockedFile{*major, *minor, *inode};
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

std::string ReadWhole(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whoever holds the lock on the open file fd, as far as /proc shows it.
std::optional<LockHolder> FindHolder(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return std::nullopt;
    const LockedFile file{::major(info.st_dev), ::minor(info.st_dev), info.st_ino};
    const auto pid = FlockHolderPid(ReadWhole("/proc/locks"), file);
    if (!pid) return std::nullopt;
    const std::filesystem::path process = "/proc/" + std::to_string(*pid);
    return LockHolder{*pid,
                      ProgramName(ReadWhole(process / "comm"), ReadWhole(process / "cmdline"))};
}

}  // namespace

std::optional<long> FlockHolderPid(std::string_view procLocks, const LockedFile& file) {
    // "1: FLOCK  ADVISORY  WRITE 4242 fe:00:10953164 0 EOF"; a waiter's line
    // has "->" after the number.
    std::istringstream lines{std::string(procLocks)};
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> words = Words(line);
        if (words.size() < 6 || words[1] != "FLOCK") continue;
        const auto locked = ParseLockedFile(words[5]);
        if (!locked || locked->major != file.major || locked->minor != file.minor ||
            locked->inode != file.inode) {
            continue;
        }
        const auto pid = ParseNumber<long>(words[4], 10);
        if (pid && *pid > 0) return pid;
    }
    return std::nullopt;
}

std::string ProgramName(std::string_view comm, std::string_view cmdline) {
    if (comm.ends_with('\n')) comm.remove_suffix(1);
    std::string_view argv0 = cmdline.substr(0, cmdline.find('\0'));
    if (const auto slash = argv0.rfind('/'); slash != std::string_view::npos) {
        argv0.remove_prefix(slash + 1);
    }
    if (comm.size() == COMM_LENGTH && argv0.starts_with(comm)) return std::string(argv0);
    return std::string(comm);
}

std::string HolderText(const std::optional<LockHolder>& holder) {
    if (!holder) return "another program";
    const std::string pid = "(pid " + std::to_string(holder->pid) + ")";
    return (holder->program.empty() ? "another program " : holder->program + " ") + pid;
}

std::string CardInUseText(const std::string& address, const std::optional<LockHolder>& holder) {
    return "Card " + address + " is in use by " + HolderText(holder);
}

CardLockAttempt CardLock::Take(SysfsSystem& system, const std::filesystem::path& file,
                               const std::string& address) {
    int error = 0;
    SystemFile opened = OpenFile(system, file, O_RDONLY, error);
    if (!opened.IsOpen())
        return {std::nullopt, false, FileFailureText(file, FileStep::Open, error), {}};
    int locked = 0;
    do {
        locked = ::flock(opened.Get(), LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked == 0) return {CardLock(std::move(opened)), false, {}, {}};
    if (errno != EWOULDBLOCK) {
        return {std::nullopt, false, FileFailureText(file, FileStep::Lock, errno), {}};
    }
    const std::optional<LockHolder> holder = FindHolder(opened.Get());
    return {std::nullopt, true, CardInUseText(address, holder), HolderText(holder)};
}

std::string CardLock::HolderOf(SysfsSystem& system, const std::filesystem::path& file) {
    CardLockAttempt attempt = Take(system, file, {});
    return attempt.inUse ? std::move(attempt.holder) : std::string{};
}

}  // namespace kovex
