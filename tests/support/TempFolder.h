// The folder this test run writes its files into: made under the system's
// temporary folder on first use, so that two runs on one machine never share
// a file, and removed with everything in it when the program ends.
#pragma once

#include <gtest/gtest.h>
#include <cstdlib>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace kovex::scratch {

struct TempFolder {
    std::string path = [] {
        std::string name = ::testing::TempDir() + "kovex-tests-XXXXXX";
        if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp: " + name);
        return name + "/";
    }();
    TempFolder() = default;
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

inline const std::string& RunFolder() {
    static const TempFolder folder;
    return folder.path;
}

}  // namespace kovex::scratch
