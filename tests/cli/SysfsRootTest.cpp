// kovexctl on a made-up sysfs tree (--sysfs-root): a card file made a link to
// another file, or a FIFO, is refused with a line naming it, and the other
// file is left as it was; the tree itself must be a folder of the user's or
// root's.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/FakeSysfs.h"

namespace kovex::testing {
namespace {

namespace fs = std::filesystem;

const std::string kCard = "0000:03:07.0";

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ChildProcess::Ended Kovexctl(const fs::path& tree, const std::string& command) {
    return ChildProcess({KOVEXCTL_PATH, "--sysfs-root", tree.string(), "--timeout", "0.2", command})
        .Finish();
}

TEST(SysfsRoot, ACardFileThatIsALinkOrAFifoIsRefusedNamingIt) {
    enum class Kind { Link, Fifo };
    struct Case {
        const char* file;
        Kind kind;
        std::uint16_t command;  // the config's command register: 0 leaves decoding off
        const char* said;
    };
    const std::vector<Case> cases{
        {"resource0", Kind::Link, 0x0003, "resource0: it is a symbolic link"},
        {"resource2", Kind::Link, 0x0003, "resource2: it is a symbolic link"},
        {"enable", Kind::Link, 0x0000, "enable: it is a symbolic link"},
        {"config", Kind::Link, 0x0003, "config: it is a symbolic link"},
        {"resource0", Kind::Fifo, 0x0003, "resource0: it is a FIFO (named pipe)"},
        {"resource2", Kind::Fifo, 0x0003, "resource2: it is a FIFO (named pipe)"},
        {"enable", Kind::Fifo, 0x0000, "enable: it is a FIFO (named pipe)"},
    };
    for (const Case& c : cases) {
        FakeSysfs sysfs;
        FakeDevice card = Kovex(kCard);
        card.command = c.command;
        sysfs.Add(card);
        const fs::path victim = sysfs.SysfsRoot() / "victim";
        const std::string kept(256, 'v');
        std::ofstream(victim, std::ios::binary) << kept;
        const fs::path file = sysfs.File(kCard, c.file);
        fs::remove(file);
        if (c.kind == Kind::Link) {
            fs::create_symlink(victim, file);
        } else {
            ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
        }
        const ChildProcess::Ended run = Kovexctl(sysfs.SysfsRoot(), "version");
        EXPECT_EQ(run.status, 4) << c.file << "\n" << run.err;
        EXPECT_NE(run.err.find(file.string().substr(sysfs.SysfsRoot().string().size())),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(Contents(victim), kept) << c.file;
    }
}

TEST(SysfsRoot, TheTreeMustBeAFolderOfTheUsersOrRoots) {
    FakeSysfs sysfs;
    sysfs.Add(Kovex(kCard));
    const fs::path file = sysfs.SysfsRoot() / "a-file";
    std::ofstream(file) << "x";
    struct Case {
        fs::path tree;
        std::string said;
    };
    std::vector<Case> cases{
        {file, "it is not a folder"},
        {sysfs.SysfsRoot() / "none", "No such file or directory"},
    };
    // Only root can give a folder to another user.
    const fs::path others = sysfs.SysfsRoot() / "others";
    if (::geteuid() == 0) {
        fs::create_directory(others);
        ASSERT_EQ(::chown(others.c_str(), 65534, 65534), 0);
        cases.push_back({others, "it belongs to uid 65534, neither to you (uid 0) nor to root"});
    }
    for (const Case& c : cases) {
        const ChildProcess::Ended run = Kovexctl(c.tree, "list");
        EXPECT_EQ(run.status, 2) << c.tree;
        EXPECT_EQ(run.err.rfind("kovexctl: --sysfs-root " + c.tree.string() + ": " + c.said, 0), 0U)
            << run.err;
        EXPECT_EQ(run.out, "");
    }
    // The tree as made is taken.
    const ChildProcess::Ended run = Kovexctl(sysfs.SysfsRoot(), "list");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "0000:03:07.0 10b5:9030 card *\n");
}

// With several PCI 9030s on the bus kovexctl opens none of them unless
// --device names one.
TEST(SysfsRoot, SeveralCardsNeedDevice) {
    FakeSysfs sysfs;
    for (const char* name : {"0000:03:00.0", "0000:04:00.0"}) {
        sysfs.Add(Kovex(name));
        // RX_EMPTY: nothing waits to be read.
        sysfs.Write(name, "resource2", std::string("\0\0\x02", 3) + std::string(13, '\0'));
    }
    const std::string tree = sysfs.SysfsRoot().string();
    const ChildProcess::Ended refused =
        ChildProcess({KOVEXCTL_PATH, "--sysfs-root", tree, "send", "10 0 7"}).Finish();
    EXPECT_EQ(refused.status, 4);
    EXPECT_EQ(refused.err,
              "kovexctl: 2 PCI 9030 cards on the bus (0000:03:00.0, 0000:04:00.0); name the KOVEX "
              "card with --device\n");
    EXPECT_EQ(sysfs.Resource("0000:03:00.0", 0).at(0x3C), 0x00);
    EXPECT_EQ(sysfs.Resource("0000:04:00.0", 0).at(0x3C), 0x00);

    const ChildProcess::Ended chosen = ChildProcess({KOVEXCTL_PATH, "--sysfs-root", tree,
                                                     "--device", "0000:04:00.0", "send", "10 0 7"})
                                           .Finish();
    EXPECT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_EQ(sysfs.Resource("0000:03:00.0", 0).at(0x3C), 0x00);
    EXPECT_EQ(sysfs.Resource("0000:04:00.0", 0).at(0x3C), 0x41);
}

}  // namespace
}  // namespace kovex::testing
