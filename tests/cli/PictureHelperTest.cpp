// display upload through the picture helper (kovex-picture-pixels) as a
// process: a PNG reaches the simulated card as the window sends it, whatever
// the file is named and whatever the environment says about Qt.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"

namespace kovex::testing {
namespace {

namespace fs = std::filesystem;

// Sets (or, with no value, unsets) a variable for the test's life.
class ScopedVariable {
public:
    ScopedVariable(std::string name, const char* value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        if (value != nullptr) {
            ::setenv(name_.c_str(), value, 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ~ScopedVariable() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Runs in the folder, so that a relative name starting with "-" reaches the helper.
class ScopedFolder {
public:
    explicit ScopedFolder(const fs::path& folder) : old_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~ScopedFolder() { fs::current_path(old_); }
    ScopedFolder(const ScopedFolder&) = delete;
    ScopedFolder& operator=(const ScopedFolder&) = delete;

private:
    fs::path old_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The 64 column bytes of a quarter page with no black pixel, and the frame's end.
std::string WhiteQuarter() {
    std::string text;
    for (int i = 0; i < 64; ++i)
        text += " 00";
    return text + " FF";
}

const std::string kWhiteQuarter = WhiteQuarter();

TEST(PictureHelper, TakesItsFileAsDataWhateverItsNameAndTheEnvironment) {
    struct Case {
        std::string name;
        const char* platform;  // QT_QPA_PLATFORM, or unset
    };
    const std::vector<Case> cases{
        {"dot.png", nullptr},      {"-qmljsdebugger=port:1.png", nullptr},
        {"-reverse.png", nullptr}, {"dot.png", "xcb"},
        {"dot.png", "wayland"},
    };
    const std::string& folder = scratch::RunFolder();
    const ScopedVariable noDisplay("DISPLAY", nullptr);
    const ScopedVariable noWayland("WAYLAND_DISPLAY", nullptr);
    const ScopedFolder inFolder(folder);
    for (const Case& c : cases) {
        fs::copy_file(KOVEX_PICTURES_DATA_DIR "/dot.png", folder + c.name,
                      fs::copy_options::overwrite_existing);
        const ScopedVariable platform("QT_QPA_PLATFORM", c.platform);
        const ChildProcess::Ended run = ChildProcess({KOVEXCTL_PATH, "--sim", "--sim-at-once",
                                                      "display", "upload", "--", c.name})
                                            .Finish();
        ASSERT_EQ(run.status, 0) << c.name << "\n" << run.err;
        const std::vector<std::string> sent = Lines(run.out);
        ASSERT_EQ(sent.size(), 32U) << c.name;
        // Page 1, offset 0: the one black pixel, column 5 row 10, as 4 escaped.
        EXPECT_TRUE(sent[4].starts_with(
            "Sent:  00 5A F0 0A 49 01 0A 22 10 44 00 01 40 00 00 00 00 00 04 84 00 "))
            << c.name << "\n"
            << sent[4];
        for (std::size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(sent[i].ends_with(kWhiteQuarter), i != 4) << c.name << " " << i;
        }
    }
}

}  // namespace
}  // namespace kovex::testing
