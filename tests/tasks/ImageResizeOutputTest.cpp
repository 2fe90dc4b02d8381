// Result names and publishing: numbered names, clashes with leftovers, the counter's wrap, and
// no temporary file left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "ImageResizeTestPictures.h"
#include "support/TempDir.h"
#include "tasks/ImageResizeOutput.h"

namespace {

namespace fs = std::filesystem;
using image_resize::PublishResult;
using image_resize::ResultCounter;
using image_resize::ResultExtension;

std::set<std::string> NamesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(ImageResizeOutputTest, ExtensionComesFromTheFileNameOnly) {
    const struct {
        const char* path;
        const char* extension;
    } cases[] = {
        {"/home/u/photo.png", "png"},  {"/home/u/photo.JPG", "JPG"},
        {"/home/u/a.tar.gz", "gz"},    {"/home/u/my.pics/photo", ""},
        {"/home/u/photo.", ""},        {"photo", ""},
        {"/home/u/.hidden", "hidden"}, {"/home/u.v/x.w/photo.tif", "tif"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResultExtension(c.path), c.extension) << c.path;
}

TEST(ImageResizeOutputTest, NamesAreNumberedAndNeverReplaceAFile) {
    TempDir temp;
    ResultCounter counter;
    EXPECT_EQ(PublishResult(temp.Path(), "png", "first", counter),
              (temp / "         1.png").string());
    EXPECT_EQ(PublishResult(temp.Path(), "jpg", "second", counter),
              (temp / "         2.jpg").string());
    EXPECT_EQ(counter.Peek(), 2);

    // Leftovers of an earlier session keep their content; the new picture takes "(n)".
    resize_test::WriteBytes(temp / "         3.png", "old");
    resize_test::WriteBytes(temp / "         3(1).png", "older");
    EXPECT_EQ(PublishResult(temp.Path(), "png", "third", counter),
              (temp / "         3(2).png").string());
    EXPECT_EQ(resize_test::ReadBytes(temp / "         3.png"), "old");
    EXPECT_EQ(resize_test::ReadBytes(temp / "         3(1).png"), "older");
    EXPECT_EQ(resize_test::ReadBytes(temp / "         3(2).png"), "third");
    EXPECT_EQ(counter.Peek(), 3);

    EXPECT_EQ(NamesIn(temp.Path()),
              (std::set<std::string>{"         1.png", "         2.jpg", "         3.png",
                                     "         3(1).png", "         3(2).png"}));
}

TEST(ImageResizeOutputTest, CounterStartsAgainAtZeroAfterItsLastValue) {
    TempDir temp;
    ResultCounter counter(ResultCounter::kLast);
    EXPECT_EQ(PublishResult(temp.Path(), "png", "x", counter), (temp / "2147482647.png").string());
    EXPECT_EQ(counter.Peek(), 0);
    EXPECT_EQ(PublishResult(temp.Path(), "png", "y", counter), (temp / "         1.png").string());
    EXPECT_EQ(ResultCounter(-1).Peek(), 0);
    EXPECT_EQ(ResultCounter(ResultCounter::kLast + 1).Peek(), 0);
}

TEST(ImageResizeOutputTest, FailedPublishLeavesNothingAndKeepsTheCounter) {
    TempDir temp;
    ResultCounter counter(7);
    EXPECT_FALSE(PublishResult(temp / "missing", "png", "x", counter).has_value());
    EXPECT_FALSE(PublishResult("", "png", "x", counter).has_value());
    EXPECT_FALSE(PublishResult(temp.Path(), "", "x", counter).has_value());
    EXPECT_EQ(counter.Peek(), 7);
    EXPECT_TRUE(NamesIn(temp.Path()).empty());
}

}  // namespace
