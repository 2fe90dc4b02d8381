// The other members that may go online, against the scripted core and service: document to
// PDF, PDF to CAD, CAD to PDF and text recognition.
#include <gtest/gtest.h>

#include "FakeCore.h"
#include "composite/KComplexCadToPdf.h"
#include "composite/KComplexDocumentToPdf.h"
#include "composite/KComplexImageToWord.h"
#include "composite/KComplexPdfToCad.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

class DocumentTasksTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(private_); }
    std::string Path(const std::string& name) const { return (temp_ / name).string(); }

    TempDir temp_;
    fs::path private_ = temp_ / "private";
    FakeOperations core_;
    FakeOnline online_;
    CompositeServices services_ = FakeServices(&core_, &online_, private_);
};

TEST_F(DocumentTasksTest, DocumentToPdfFallsBackOnlineAndCutsItsResult) {
    struct Case {
        const char* name;
        int first;
        int last;
        bool cut;
    };
    const Case cases[] = {
        {"all pages: straight into the target", 1, 5, false},
        {"some pages: cut out of the service's result", 2, 3, true},
    };
    for (const Case& c : cases) {
        FakeOperations core;
        core.respond = [](const OperationRequest& request) {
            return request.kind == OperationKind::kDocumentToPdf
                       ? FakeOutcome::Failed("office failed")
                       : FakeOutcome{};
        };
        FakeOnline online;
        const CompositeServices services = FakeServices(&core, &online, private_);
        KComplexDocumentToPdf::Params params;
        params.source = Path("plan.docx");
        params.target = Path("plan.pdf");
        TaskRef<KComplexDocumentToPdf> task(new KComplexDocumentToPdf(params, nullptr, &services));
        task->SetPageCount(5);
        task->AddPages(c.first, c.last);
        task->Run();

        EXPECT_EQ(task->GetResult(), 1) << c.name;
        EXPECT_EQ(task->IsLocal(), 0) << c.name;
        EXPECT_EQ(task->GetErrorMsg(), "office failed") << c.name;
        ASSERT_EQ(online.Requests().size(), 1u) << c.name;
        const OnlineRequest upload = online.Requests()[0];
        EXPECT_EQ(upload.source, params.source);
        const auto cuts = core.RequestsOf(OperationKind::kPickupPages);
        if (!c.cut) {
            EXPECT_EQ(upload.target, params.target) << c.name;
            EXPECT_TRUE(cuts.empty()) << c.name;
            continue;
        }
        EXPECT_EQ(fs::path(upload.target).parent_path().parent_path(), private_);
        ASSERT_EQ(cuts.size(), 1u);
        EXPECT_EQ(cuts[0].source, upload.target);
        EXPECT_EQ(cuts[0].target, params.target);
        EXPECT_EQ(cuts[0].pages, (std::vector<int>{2, 3}));
        EXPECT_TRUE(EntriesOf(private_).empty());
    }
}

TEST_F(DocumentTasksTest, PdfToCadUploadsTheDecryptedChosenPages) {
    online_.respond = [](const OnlineRequest&) {
        FakeOutcome outcome = FakeOutcome::Failed("");
        outcome.service_code = 5001001;
        return outcome;
    };
    KComplexPdfToCad::Params params;
    params.source = Path("plan.pdf");
    params.target = Path("plan.dwg");
    TaskRef<KComplexPdfToCad> task(new KComplexPdfToCad(params, nullptr, &services_));
    task->SetPageCount(4);
    task->SetPassword("pw");
    task->AddPages(2, 3);
    task->Run();

    EXPECT_EQ(task->GetResult(), 0);
    EXPECT_EQ(task->GetErrorInfo(), (tasks::ErrorInfo{5001001, "服务出错"}));
    const auto requests = core_.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].kind, OperationKind::kDecrypt);
    EXPECT_EQ(requests[1].kind, OperationKind::kPickupPages);
    ASSERT_EQ(online_.Requests().size(), 1u);
    EXPECT_EQ(online_.Requests()[0].kind, OnlineKind::kPdfToCad);
    EXPECT_EQ(online_.Requests()[0].source, requests[1].target);
    EXPECT_EQ(online_.Requests()[0].page_count, 2);
}

TEST_F(DocumentTasksTest, OnlineOnlyMembersNeedConsentAndAService) {
    struct Case {
        const char* name;
        bool allowed;
        bool service;
        std::string error;
    };
    const Case cases[] = {
        {"no consent", false, true, "online conversion is not allowed"},
        {"no service", true, false, "online conversion service is not set up"},
    };
    for (const Case& c : cases) {
        FakeOperations core;
        FakeOnline online;
        CompositeServices services = FakeServices(&core, c.service ? &online : nullptr, private_);
        services.online_allowed = [&c] { return c.allowed; };
        KComplexPdfToCad::Params cad;
        cad.source = Path("plan.pdf");
        cad.target = Path("plan.dwg");
        std::vector<ICvtTask*> tasks = {
            new KComplexPdfToCad(cad, nullptr, &services),
            new KComplexCadToPdf({Path("a.dwg"), Path("a.pdf"), 1}, nullptr, &services),
            new KComplexImageToWord({Path("scan.png"), Path("scan.docx")}, nullptr, &services),
        };
        for (ICvtTask* task : tasks) {
            task->SetPageCount(3);
            task->SetPassword("pw");
            task->Run();
            EXPECT_EQ(task->GetResult(), 0) << c.name << " " << task->GetSourcePath();
            EXPECT_EQ(task->GetErrorMsg(), c.error) << c.name << " " << task->GetSourcePath();
            task->Release();
        }
        // Nothing is decrypted for a file that will not be uploaded.
        EXPECT_TRUE(core.Requests().empty()) << c.name;
        EXPECT_TRUE(online.Requests().empty()) << c.name;
    }
}

}  // namespace
