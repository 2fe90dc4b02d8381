#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <string>

#include "support/TempDir.h"
#include "tasks/ConversionErrors.h"
#include "tasks/ICvtTask.h"
#include "tasks/Md5.h"

namespace {

class PlainTask : public ICvtTask {
public:
    PlainTask() : ICvtTask(nullptr) {}
};

// Tasks live on the heap and go with Release, as the windows use them.
struct TaskHandle {
    ICvtTask* task = new PlainTask();
    ~TaskHandle() { task->Release(); }
    ICvtTask* operator->() const { return task; }
};

struct ErrorCase {
    int code;
    std::string message;
    tasks::ErrorInfo expected;
};

TEST(ConversionErrorsTest, ServiceCodesThenMessagePrefixes) {
    const ErrorCase cases[] = {
        {4001002, "upload file fail", {4001002, "登录失效"}},
        {4101005, "Invalid password", {4101005, "源文件类型不支持"}},
        {5001001, "", {5001001, "服务出错"}},
        {5902002, "x", {5902002, "用户不存在"}},
        {77, "", {77, ""}},
        {77, "server convert time out or fail: 3", {1, "转换出错"}},
        {77, "upload file fail", {1, "网络错误"}},
        {77, "无法访问文件", {2, "文件被占用"}},
        {77, "being used by another process", {2, "文件被占用"}},
        {77, "内存不足", {3, "内存不足"}},
        {77, "System.OutOfMemoryException at x", {3, "内存不足"}},
        {77, "文件名太长了", {4, "文件名太长"}},
        {77, "参数无效", {5, "参数无效"}},
        {77, "param is incorrect", {5, "参数无效"}},
        {77, "Invalid password", {6, "密码错误"}},
        // Only a prefix counts, and only in its own letter case.
        {77, "file is being used by another process", {77, ""}},
        {77, "Being used by another process", {77, ""}},
        {77, "invalid password", {77, ""}},
        {0, "something else", {0, ""}},
    };
    for (const ErrorCase& c : cases) {
        EXPECT_EQ(tasks::MapConversionError(c.code, c.message), c.expected)
            << c.code << " " << c.message;
    }
}

TEST(ConversionErrorsTest, TaskMapsItsOwnCodeAndMessage) {
    TaskHandle task;
    EXPECT_EQ(task->GetErrorInfo(), (tasks::ErrorInfo{0, ""}));
    task->SetErrorCode(4101005);
    task->SetErrorMsg("Invalid password");
    EXPECT_EQ(task->GetErrorInfo(), (tasks::ErrorInfo{4101005, "源文件类型不支持"}));
    task->SetErrorCode(9);
    EXPECT_EQ(task->GetErrorInfo(), (tasks::ErrorInfo{6, "密码错误"}));
    EXPECT_EQ(task->GetErrorMsg(), "Invalid password");
}

TEST(TaskValuesTest, IntegersAreStoredAsTextAndReadLikeWtoi) {
    TaskHandle task;
    EXPECT_EQ(task->GetValue("result", "?"), "-2");
    EXPECT_EQ(task->GetInt("page_count", 7), 7);
    task->SetValue("page_count", 12);
    EXPECT_EQ(task->GetValue("page_count", ""), "12");
    EXPECT_EQ(task->GetInt("page_count", 7), 12);
    task->SetResult(1);
    EXPECT_EQ(task->GetResult(), 1);
}

TEST(TaskValuesTest, AddPagesAppendsInclusiveRangesAndIgnoresReversedOnes) {
    TaskHandle task;
    task->AddPages(3, 5);
    task->AddPages(9, 8);
    task->AddPages(1, 1);
    EXPECT_EQ(task->SelectedPages(), (std::vector<int>{3, 4, 5, 1}));
    EXPECT_EQ(task->GetSelectedPageCount(), 4);
}

TEST(Md5Test, KnownDigests) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(tasks::Md5Hex(text), digest) << text.substr(0, 20);
}

TEST(Md5Test, FileIsHashedAcrossBlocksAndMissingFileHasNoDigest) {
    TempDir temp;
    std::ofstream(temp / "big.bin", std::ios::binary) << std::string(1000000, 'a');
    EXPECT_EQ(tasks::Md5HexOfFile(temp / "big.bin"), "7707d6ae4e027c70eea2a935c2296f21");
    EXPECT_EQ(tasks::Md5HexOfFile(temp / "missing.pdf"), std::nullopt);
    EXPECT_EQ(tasks::Md5HexOfFile(temp.Path()), std::nullopt);
}

// "<md5>_<seconds>_<sequence>.pdf" after the folder.
struct TempName {
    std::string md5;
    long long seconds = -1;
    std::string sequence;
};

TempName ParseTempName(const std::string& path, const std::string& folder) {
    TempName name;
    if (path.rfind(folder, 0) != 0 || !path.ends_with(".pdf"))
        return name;
    const std::string rest = path.substr(folder.size(), path.size() - folder.size() - 4);
    const auto first = rest.find('_');
    const auto second = rest.find('_', first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return name;
    name.md5 = rest.substr(0, first);
    name.seconds = std::stoll(rest.substr(first + 1, second - first - 1));
    name.sequence = rest.substr(second + 1);
    return name;
}

TEST(TempPdfPathTest, NamesCarryTheContentDigestTheTimeAndAreUniquePerCall) {
    TempDir temp;
    const std::string source = (temp / "report.docx").string();
    std::ofstream(source, std::ios::binary) << "abc";
    const std::string folder = temp.Path().string() + "/";
    TaskHandle first, second;

    const long long before = std::time(nullptr);
    const std::string a = first->MakeTempPdfPath(folder, source);
    const std::string b = second->MakeTempPdfPath(folder, source);
    const long long after = std::time(nullptr);

    const TempName name = ParseTempName(a, folder);
    EXPECT_EQ(name.md5, "900150983cd24fb0d6963f7d28e17f72") << a;
    EXPECT_GE(name.seconds, before);
    EXPECT_LE(name.seconds, after);
    EXPECT_FALSE(name.sequence.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(ParseTempName(b, folder).md5, name.md5);
}

TEST(TempPdfPathTest, UnreadableSourceLeavesTheDigestEmpty) {
    TempDir temp;
    const std::string folder = temp.Path().string() + "/";
    TaskHandle task;
    const std::string path = task->MakeTempPdfPath(folder, (temp / "gone.pdf").string());
    EXPECT_EQ(path.rfind(folder + "_", 0), 0u) << path;
    EXPECT_GE(ParseTempName(path, folder).seconds, 0) << path;
}

}  // namespace
