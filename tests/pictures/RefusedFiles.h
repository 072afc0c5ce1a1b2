// Picture files refused with the exact text the user sees: a sample,
// damaged, written under a name and loaded. RefusedPicturesTest.cpp holds
// the test; each file of tests instantiates it with its own tables.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

#include "pictures/PictureFiles.h"

namespace kovex {

struct Refused {
    std::string name;
    std::string sample;  // empty: the file is not written at all
    std::function<void(Bytes&)> damage;
    std::string error;  // "%s" stands for the path
};

void PrintTo(const Refused& sample, std::ostream* out);

// The test's name: the file name with what is not a letter or digit as "_".
std::string RefusedName(const testing::TestParamInfo<Refused>& info);

void NoDamage(Bytes& bytes);
void Truncate(Bytes& bytes, std::size_t drop);

class RefusedFileTest : public testing::TestWithParam<Refused> {};

inline const char* const kBitmap = "Bitmap image is not valid";
inline const char* const kIcon = "Icon image is not valid";
inline const char* const kMetafile = "Metafile is not valid";

}  // namespace kovex
