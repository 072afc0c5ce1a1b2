// A folder of this test run's own under the system's temporary folder, so
// that two runs on one machine never share a file; it goes, with everything
// in it, when the program ends.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace kovex::testing {

class TempFolder {
public:
    TempFolder() {
        std::string name = ::testing::TempDir() + "kovex-tests-XXXXXX";
        std::vector<char> buffer(name.begin(), name.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed: " + name);
        path_ = std::string(buffer.data()) + "/";
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    TempFolder(TempFolder&&) = delete;
    TempFolder& operator=(TempFolder&&) = delete;

    // The folder's path, ending in a slash.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The run's folder, made on first use.
inline const std::string& RunFolder() {
    static const TempFolder folder;
    return folder.Path();
}

}  // namespace kovex::testing
