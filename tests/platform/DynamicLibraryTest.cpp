#include <gtest/gtest.h>

#include <fstream>

#include "platform/DynamicLibrary.h"
#include "support/TempDir.h"

namespace {

TEST(DynamicLibraryTest, WhatCannotBeLoadedGivesNullAndAReason) {
    TempDir temp;
    const std::filesystem::path not_a_library = temp / "fake.so";
    std::ofstream(not_a_library) << "not an ELF file";
    for (const std::filesystem::path& file :
         {std::filesystem::path(), temp / "missing.so", not_a_library}) {
        std::string error;
        EXPECT_EQ(platform::DynamicLibrary::Open(file, &error), nullptr) << file;
        EXPECT_FALSE(error.empty()) << file;
    }
}

}  // namespace
