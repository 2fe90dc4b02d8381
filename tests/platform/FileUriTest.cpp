#include "platform/FileUri.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(FileUriTest, PathsRoundTripThroughEscaping) {
    const std::string path = "/home/用户/a b#1%?.pdf";
    const std::string uri = FileUriFromPath(path);
    EXPECT_EQ(uri.find_first_of(" #?'"), std::string::npos) << uri;
    EXPECT_EQ(uri.rfind("file:///home/", 0), 0u);
    EXPECT_EQ(PathFromFileUri(uri), path);
}

TEST(FileUriTest, OnlyLocalFileUrisAreAccepted) {
    EXPECT_EQ(PathFromFileUri("FILE://localhost/tmp/a%20b"), "/tmp/a b");
    EXPECT_FALSE(PathFromFileUri("http://example.com/a.pdf"));
    EXPECT_FALSE(PathFromFileUri("file://otherhost/tmp/a"));
    EXPECT_FALSE(PathFromFileUri("file:relative"));
    EXPECT_FALSE(PathFromFileUri("file:///tmp/a%2"));
    EXPECT_FALSE(PathFromFileUri("file:///tmp/a%zz"));
    EXPECT_FALSE(PathFromFileUri("file:///tmp/a%00b"));
}

}  // namespace
}  // namespace platform
