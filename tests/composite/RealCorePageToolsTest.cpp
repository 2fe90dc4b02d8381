// The page tools and their retries on the real conversion core.
#include <gtest/gtest.h>

#include "RealCoreFixture.h"
#include "composite/KComplexEncryptPdf.h"
#include "composite/KComplexMergePdf.h"
#include "composite/KComplexPdfCompress.h"
#include "composite/KComplexPdfDel.h"
#include "composite/KComplexPdfPickup.h"
#include "composite/KComplexSplitPdf.h"

namespace {

namespace fs = std::filesystem;

TEST_F(RealCoreTest, SplitWritesOnePdfPerRange) {
    const std::string source = TextPdf("report.pdf", 6);
    TaskRef<KComplexSplitPdf> task(new KComplexSplitPdf(
        {source, out_.string(), {{1, 3}, {4, 4}, {5, 6}}}, nullptr, &services_));
    ASSERT_EQ(StartAndWait(*task), 1) << task->GetErrorMsg();
    EXPECT_EQ(task->GetTargetPath(), Out("report(1-3).pdf"));
    EXPECT_EQ(Pages(Out("report(1-3).pdf")), 3);
    EXPECT_EQ(Pages(Out("report(4-4).pdf")), 1);
    EXPECT_EQ(Pages(Out("report(5-6).pdf")), 2);
}

TEST_F(RealCoreTest, SplitIntoAMissingFolderGoesToTheDesktop) {
    const std::string source = TextPdf("report.pdf", 2);
    fs::create_directories(desktop_ / "report_拆分");
    TaskRef<KComplexSplitPdf> task(new KComplexSplitPdf(
        {source, (out_ / "gone").string(), {{1, 1}, {2, 2}}}, nullptr, &services_));
    ASSERT_EQ(StartAndWait(*task), 1) << task->GetErrorMsg();
    const fs::path folder = desktop_ / "report_拆分(1)";
    EXPECT_EQ(task->GetTargetPath(), (folder / "report(1-1).pdf").string());
    EXPECT_EQ(Pages((folder / "report(2-2).pdf").string()), 1);
    EXPECT_EQ(task->GetErrorMsg(), "");
}

TEST_F(RealCoreTest, MergeTakesEachEntrysRangeWithItsPassword) {
    const std::string plain = TextPdf("plain.pdf", 4);
    const std::string locked = Out("locked.pdf");
    TaskRef<KComplexEncryptPdf> encrypt(
        new KComplexEncryptPdf(TextPdf("l.pdf", 3), locked, "abc123", nullptr, &services_));
    ASSERT_EQ(StartAndWait(*encrypt), 1) << encrypt->GetErrorMsg();

    TaskRef<KComplexMergePdf> task(new KComplexMergePdf(
        {{{2, 3, plain, ""}, {0, 0, locked, "abc123"}}, Out("merged.pdf")}, nullptr, &services_));
    ASSERT_EQ(StartAndWait(*task), 1) << task->GetErrorMsg();
    EXPECT_EQ(Pages(Out("merged.pdf")), 5);
}

TEST_F(RealCoreTest, MergeThatCannotWriteItsTargetGoesToTheDesktop) {
    const std::string a = TextPdf("a.pdf", 1);
    TaskRef<KComplexMergePdf> task(new KComplexMergePdf(
        {{{0, 0, a, ""}, {0, 0, a, ""}}, (out_ / "gone" / "m.pdf").string()}, nullptr, &services_));
    ASSERT_EQ(StartAndWait(*task), 1) << task->GetErrorMsg();
    EXPECT_EQ(task->GetTargetPath(), (desktop_ / "合并PDF.pdf").string());
    EXPECT_EQ(Pages(task->GetTargetPath()), 2);
}

TEST_F(RealCoreTest, PickAndDeletePages) {
    const std::string source = TextPdf("five.pdf", 5);
    TaskRef<KComplexPdfPickup> pick(
        new KComplexPdfPickup(source, Out("picked.pdf"), nullptr, &services_));
    pick->AddPages(4, 5);
    pick->AddPages(1, 1);
    TaskRef<KComplexPdfDel> del(
        new KComplexPdfDel(source, Out("deleted.pdf"), nullptr, &services_));
    del->AddPages(2, 4);
    ASSERT_EQ(StartAndWait(*pick), 1) << pick->GetErrorMsg();
    ASSERT_EQ(StartAndWait(*del), 1) << del->GetErrorMsg();
    EXPECT_EQ(Pages(Out("picked.pdf")), 3);
    EXPECT_EQ(Pages(Out("deleted.pdf")), 2);
}

TEST_F(RealCoreTest, EncryptAndOpenWithThePassword) {
    const std::string source = TextPdf("open.pdf", 2);
    TaskRef<KComplexEncryptPdf> encrypt(
        new KComplexEncryptPdf(source, Out("locked.pdf"), "abc123", nullptr, &services_));
    ASSERT_EQ(StartAndWait(*encrypt), 1) << encrypt->GetErrorMsg();
    EXPECT_EQ(Facts(Out("locked.pdf")).encrypted, 1);

    // A protected source gets a new password: decrypted in the private folder first.
    TaskRef<KComplexEncryptPdf> again(new KComplexEncryptPdf(Out("locked.pdf"), Out("relocked.pdf"),
                                                             "xyz789", nullptr, &services_));
    again->SetPassword("abc123");
    ASSERT_EQ(StartAndWait(*again), 1) << again->GetErrorMsg();

    TaskRef<KComplexPdfPickup> wrong(
        new KComplexPdfPickup(Out("relocked.pdf"), Out("p.pdf"), nullptr, &services_));
    wrong->SetPassword("abc123");
    wrong->AddPages(1, 1);
    EXPECT_EQ(StartAndWait(*wrong), 0);
    EXPECT_EQ(wrong->GetErrorInfo().code, 6) << wrong->GetErrorMsg();

    TaskRef<KComplexPdfPickup> right(
        new KComplexPdfPickup(Out("relocked.pdf"), Out("p.pdf"), nullptr, &services_));
    right->SetPassword("xyz789");
    right->AddPages(1, 1);
    ASSERT_EQ(StartAndWait(*right), 1) << right->GetErrorMsg();
    EXPECT_EQ(Facts(Out("p.pdf")).encrypted, 0);
}

TEST_F(RealCoreTest, CompressShrinksOrKeepsAnUnchangedCopy) {
    // Long uncompressed content streams: plenty for Flate to take away.
    std::string content;
    for (int i = 0; i < 300; ++i)
        content += testdocs::kTextContent + std::string("\n");
    const std::string source =
        Write("loose.pdf", testdocs::BuildPdf(std::vector<testdocs::TestPage>(8, {content, ""})));
    TaskRef<KComplexPdfCompress> first(
        new KComplexPdfCompress(source, Out("small.pdf"), 1, nullptr, &services_));
    ASSERT_EQ(StartAndWait(*first), 1) << first->GetErrorMsg();
    EXPECT_LT(fs::file_size(Out("small.pdf")), fs::file_size(source));

    // Already packed: the core cannot make it smaller and says "9".
    TaskRef<KComplexPdfCompress> second(
        new KComplexPdfCompress(Out("small.pdf"), Out("smaller.pdf"), 1, nullptr, &services_));
    ASSERT_EQ(StartAndWait(*second), 1) << second->GetErrorMsg();
    EXPECT_EQ(ReadAll(Out("smaller.pdf")), ReadAll(Out("small.pdf")));
    EXPECT_EQ(second->GetErrorMsg(), "");
}

}  // namespace
