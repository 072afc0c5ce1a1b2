// A temporary file that stands in for standard output, and what was written
// to it.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace kovex::testing {

class CapturedFile {
public:
    std::FILE* File() const { return file_.get(); }
    std::string Text() const {
        std::rewind(file_.get());
        std::string text;
        for (int c = std::fgetc(file_.get()); c != EOF; c = std::fgetc(file_.get()))
            text.push_back(static_cast<char>(c));
        return text;
    }

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_{std::tmpfile()};
};

}  // namespace kovex::testing
