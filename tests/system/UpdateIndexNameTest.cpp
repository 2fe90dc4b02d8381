#include "system/UpdateIndexName.h"

#include <gtest/gtest.h>

#include "system/SystemTestSupport.h"

namespace {

using update_index::kDefaultIndexName;

struct ChannelCase {
    const char* name;
    std::string text;
    std::string expected;
};

TEST(UpdateIndexNameTest, ChannelListsGiveTheMatchingIndexOrTheDefault) {
    const std::string two_channels =
        "[common]\nChannelCount=2\n"
        "[Channel0]\nCheckFile=other\nIndexName=index-other\n"
        "[Channel1]\nCheckFile=pdfsdk_convertersdk_heath\nIndexName=index-components\n";
    const ChannelCase cases[] = {
        {"empty text", "", std::string(kDefaultIndexName)},
        {"second channel matches", two_channels, "index-components"},
        {"count too small to reach the match",
         "[common]\nChannelCount=1\n[Channel0]\nCheckFile=x\nIndexName=a\n"
         "[Channel1]\nCheckFile=pdfsdk_convertersdk_heath\nIndexName=b\n",
         std::string(kDefaultIndexName)},
        {"zero count",
         "[common]\nChannelCount=0\n[Channel0]\nCheckFile=pdfsdk_convertersdk_heath\nIndexName=a\n",
         std::string(kDefaultIndexName)},
        {"names and check file without regard to case, values trimmed, CRLF",
         "[COMMON]\r\n channelcount = 1 \r\n[channel0]\r\ncheckfile= PDFSDK_ConverterSDK_Heath \r\n"
         "INDEXNAME =  idx  \r\n",
         "idx"},
        {"first of two matching channels wins",
         "[common]\nChannelCount=2\n[Channel0]\nCheckFile=pdfsdk_convertersdk_heath\nIndexName="
         "first\n"
         "[Channel1]\nCheckFile=pdfsdk_convertersdk_heath\nIndexName=second\n",
         "first"},
        {"quoted value",
         "[common]\nChannelCount=1\n[Channel0]\nCheckFile=\"pdfsdk_convertersdk_heath\"\nIndexName="
         "\"q i\"\n",
         "q i"},
        {"matching channel without an index name",
         "[common]\nChannelCount=1\n[Channel0]\nCheckFile=pdfsdk_convertersdk_heath\n",
         std::string(kDefaultIndexName)},
        {"huge count, garbage lines",
         "garbage\n[common]\nChannelCount=99999999999\n=\n[Channel0]\nno equals sign\n"
         "CheckFile=pdfsdk_convertersdk_heath\nIndexName=found\n",
         "found"},
        {"channels missing before the match, count clamped",
         "[common]\nChannelCount=2147483647\n[Channel9]\nCheckFile=pdfsdk_convertersdk_heath\n"
         "IndexName=late\n",
         "late"},
        {"negative count",
         "[common]\nChannelCount=-3\n[Channel0]\nCheckFile=pdfsdk_convertersdk_heath\nIndexName="
         "a\n",
         std::string(kDefaultIndexName)},
        {"comment line is no key",
         "[common]\nChannelCount=1\n[Channel0]\n;CheckFile=pdfsdk_convertersdk_heath\nIndexName="
         "a\n",
         std::string(kDefaultIndexName)},
    };
    for (const ChannelCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(update_index::IndexNameFromChannelText(c.text), c.expected);
    }
}

TEST(UpdateIndexNameTest, ReadsTheChannelFileOfTheProgramFolder) {
    TempDir program;
    EXPECT_EQ(update_index::ReadIndexName(program.Path()), kDefaultIndexName);

    const auto file = program.Path() / update_index::kChannelFile;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "[common]\nChannelCount=1\n[Channel0]\n"
                           "CheckFile=pdfsdk_convertersdk_heath\nIndexName=from-file\n";
    EXPECT_EQ(update_index::ReadIndexName(program.Path()), "from-file");

    // A folder in place of the file is unreadable, never a hang.
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    EXPECT_EQ(update_index::ReadIndexName(program.Path()), kDefaultIndexName);
}

}  // namespace
