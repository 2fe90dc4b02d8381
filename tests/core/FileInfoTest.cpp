// The facts of documents as the windows get them: the cache in front, the query task on the
// information pool, and a real conversion core behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>

#include "core/FileInfoCache.h"
#include "core/KCompexGetInfo.h"
#include "core/KGetInfo.h"
#include "core/KPdfCoreManager.h"
#include "platform/Format.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"
#include "support/WaitUntil.h"

namespace {

using namespace std::chrono_literals;
using testdocs::BuildPdf;
using testdocs::TestPage;
using testdocs::WriteFile;

// `pages` pages that all draw one content stream of `lines` strokes: slow to examine, small
// on disk.
std::string SlowPdf(int pages, int lines) {
    std::string content = "0.5 w\n";
    for (int line = 0; line < lines; ++line)
        content += platform::Format("%d 50 m %d 800 l S\n", 20 + line % 500, 20 + line % 500);
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>", "",
        platform::Format("<< /Length %d >>\nstream\n", static_cast<int>(content.size())) + content +
            "\nendstream"};
    std::string kids;
    for (int page = 0; page < pages; ++page) {
        kids += platform::Format("%d 0 R ", 4 + page);
        objects.push_back(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 3 0 R >>");
    }
    objects[1] = platform::Format("<< /Type /Pages /Kids [%s] /Count %d >>", kids, pages);
    return testdocs::AssemblePdf(objects);
}

// Process ids of the conversion cores this test process started.
std::vector<pid_t> OurCores() {
    std::vector<pid_t> cores;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        pid_t pid = 0;
        std::string name, state;
        pid_t parent = 0;
        if (stat >> pid >> name >> state >> parent && parent == ::getpid() &&
            name == "(quire-core)")
            cores.push_back(pid);
    }
    return cores;
}

class FileInfoCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        KPdfCoreManager::Settings settings;
        settings.pipe_library = PIPE_LIBRARY;
        settings.core_executable = QUIRE_CORE_BINARY;
        manager_ = std::make_unique<KPdfCoreManager>(settings);
        ASSERT_TRUE(manager_->Init());
    }
    void TearDown() override {
        manager_->Shutdown();
        for (pid_t pid : OurCores())
            ::kill(pid, SIGKILL);
    }

    std::string Write(const std::string& name, const std::string& data) {
        const auto file = temp_ / name;
        WriteFile(file, data);
        return file.string();
    }

    // Runs one query on the information pool and waits for its end.
    KCompexGetInfo* Query(const std::string& path, const std::string& password = "") {
        auto* query = new KCompexGetInfo(true, path, manager_.get());
        queries_.emplace_back(query, [](KCompexGetInfo* task) { task->Release(); });
        query->SetPassword(password);
        query->Start();
        EXPECT_TRUE(WaitUntil([&] { return query->GetResult() >= 0; }, 20s)) << path;
        return query;
    }

    TempDir runtime_;
    ScopedEnv runtime_env_{"XDG_RUNTIME_DIR", runtime_.Path().string()};
    TempDir temp_;
    std::unique_ptr<KPdfCoreManager> manager_;
    std::vector<std::unique_ptr<KCompexGetInfo, void (*)(KCompexGetInfo*)>> queries_;
};

TEST_F(FileInfoCoreTest, FactsOfRealDocumentsArriveThroughTheQuery) {
    auto* long_document = Query(Write("long.pdf", BuildPdf(testdocs::TextPages(300))));
    EXPECT_EQ(long_document->GetResult(), 1);
    EXPECT_EQ(long_document->GetInt("page_count", -9), 300);
    EXPECT_EQ(long_document->GetInt("encrypt", -9), 0);
    EXPECT_EQ(long_document->GetInt("is_image_pdf", -9), 0);
    EXPECT_EQ(long_document->GetInt("is_unreadable_pdf", -9), 0);
    EXPECT_EQ(long_document->GetInt("max_width", -9), 595);
    EXPECT_EQ(long_document->GetInt("max_height", -9), 842);

    auto* scan = Query(Write("scan.pdf", BuildPdf({TestPage{testdocs::kImageContent, ""},
                                                   TestPage{testdocs::kImageContent, ""}})));
    EXPECT_EQ(scan->GetInt("is_image_pdf", -9), 1);
    EXPECT_EQ(scan->GetInt("page_count", -9), 2);

    const std::string whole = BuildPdf(testdocs::TextPages(3));
    auto* truncated = Query(Write("truncated.pdf", whole.substr(0, 60)));
    EXPECT_EQ(truncated->GetResult(), 1);
    EXPECT_EQ(truncated->GetInt("is_unreadable_pdf", -9), 1);
    EXPECT_EQ(truncated->GetInt("page_count", -9), -1);
}

TEST_F(FileInfoCoreTest, EncryptedDocumentOpensOnlyWithItsPassword) {
    const std::string plain = Write("plain.pdf", BuildPdf(testdocs::TextPages(7)));
    const std::string locked = (temp_ / "locked.pdf").string();
    if (!testdocs::RunTool("qpdf", {"--encrypt", "用户密码", "owner", "256", "--", plain, locked}))
        GTEST_SKIP() << "qpdf is not installed";

    auto* without = Query(locked);
    EXPECT_EQ(without->GetInt("encrypt", -9), 1);
    EXPECT_EQ(without->GetInt("page_count", -9), -1);
    auto* wrong = Query(locked, "wrong");
    EXPECT_EQ(wrong->GetInt("encrypt", -9), 1);
    EXPECT_EQ(wrong->GetInt("page_count", -9), -1);
    auto* right = Query(locked, "用户密码");
    EXPECT_EQ(right->GetInt("encrypt", -9), 1);
    EXPECT_EQ(right->GetInt("page_count", -9), 7);
}

TEST_F(FileInfoCoreTest, KilledCoreEndsTheQueryWithUnknownFactsAndNoZombie) {
    auto* query = new KCompexGetInfo(true, Write("slow.pdf", SlowPdf(1500, 20000)), manager_.get());
    queries_.emplace_back(query, [](KCompexGetInfo* task) { task->Release(); });
    query->Start();
    ASSERT_TRUE(WaitUntil([&] { return query->GetResult() == -1; }));
    std::this_thread::sleep_for(700ms);  // the core is examining pages by now
    ASSERT_EQ(query->GetResult(), -1) << "the document was examined too fast for this test";
    const auto cores = OurCores();
    for (pid_t pid : cores)
        ::kill(pid, SIGKILL);
    EXPECT_TRUE(WaitUntil([&] { return query->GetResult() >= 0; }, 1500ms));
    EXPECT_EQ(query->GetResult(), 1);
    EXPECT_EQ(query->GetInt("page_count", -9), -1);
    // The program goes on: the next query gets a fresh core.
    auto* next = Query(Write("next.pdf", BuildPdf(testdocs::TextPages(2))));
    EXPECT_EQ(next->GetInt("page_count", -9), 2) << next->GetErrorMsg();
    for (pid_t pid : cores)
        EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(pid))) << pid;
}

TEST_F(FileInfoCoreTest, CancelMakesTheWorkingCoreStopAndExit) {
    KGetInfo operation(manager_.get());
    ASSERT_TRUE(operation.GetFileInfo(Write("slow.pdf", SlowPdf(1500, 20000))));
    const int task = operation.CoreTaskId();
    // Working: the core has reported progress at least once.
    ASSERT_TRUE(WaitUntil([&] { return manager_->GetIntInfo(task, "progress", -1) >= 0; }));
    operation.Cancel();
    // Its next notify is refused, it stops and ends; the task then counts as failed.
    EXPECT_TRUE(WaitUntil([&] { return !manager_->IsTaskAlive(task); }, 3s));
    EXPECT_EQ(operation.GetResult(), 0);
}

TEST_F(FileInfoCoreTest, BlockingQueryAndItsCancel) {
    FileFacts facts;
    std::string error;
    EXPECT_TRUE(QueryFileInfo(Write("a.pdf", BuildPdf(testdocs::TextPages(4))), {}, &facts, &error,
                              manager_.get()));
    EXPECT_EQ(facts.page_count, 4);
    EXPECT_EQ(facts.encrypted, 0);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(QueryFileInfo(
        Write("slow.pdf", SlowPdf(1500, 20000)), [] { return true; }, &facts, &error,
        manager_.get()));
    EXPECT_EQ(facts.page_count, -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

// The cache with the components and the queries under the test's control.
class FileInfoCacheTest : public ::testing::Test {
protected:
    FileInfoCache& Cache() {
        if (!cache_) {
            FileInfoCache::Environment environment;
            environment.ready = [this] { return ready_; };
            environment.update_started = [this] { return update_started_; };
            environment.update_running = [this] { return update_running_; };
            environment.update_mutex_held = [this] { return mutex_held_; };
            environment.start_update = [this] {
                ++updates_started_;
                update_started_ = update_running_ = true;
            };
            environment.start_query = [this](KCompexGetInfo* query) { started_.push_back(query); };
            cache_ = std::make_unique<FileInfoCache>(environment);
            cache_->SetMainDialogPoster([this](int message) { messages_.push_back(message); });
        }
        return *cache_;
    }
    std::string File(const std::string& name) {
        WriteFile(temp_ / name, "%PDF-1.7\n");
        return (temp_ / name).string();
    }

    TempDir temp_;
    bool ready_ = true, update_started_ = false, update_running_ = false, mutex_held_ = false;
    int updates_started_ = 0;
    std::vector<KCompexGetInfo*> started_;
    std::vector<int> messages_;
    std::unique_ptr<FileInfoCache> cache_;
};

TEST_F(FileInfoCacheTest, PicturesDrawingsAndTextHaveOnePageAndNeedNoQuery) {
    for (const char* name : {"scan.TIF", "plan.dwg", "notes.txt", "photo.Jpeg"}) {
        Cache().AddFiles({File(name)});
        const FileInfoRecord* record = Cache().GetRecord((temp_ / name).string());
        ASSERT_NE(record, nullptr) << name;
        EXPECT_EQ(record->page_count, 1);
        EXPECT_EQ(record->usable, 1);
        EXPECT_EQ(record->file_size, 9);
    }
    EXPECT_TRUE(started_.empty());
    Cache().AddFiles({(temp_ / "gone.pdf").string()});
    EXPECT_EQ(Cache().GetRecord((temp_ / "gone.pdf").string()), nullptr);
}

TEST_F(FileInfoCacheTest, OneQueryPerPathAtATimeAndItsFactsReachTheRecord) {
    const std::string pdf = File("a.pdf");
    Cache().StartQuery(pdf);
    Cache().StartQuery(pdf);
    ASSERT_EQ(started_.size(), 1u);
    EXPECT_TRUE(Cache().IsQueryPending(pdf));

    KCompexGetInfo& query = *started_[0];
    query.SetValue("page_count", 12);
    query.SetResult(-1);
    EXPECT_EQ(Cache().GetRecord(pdf)->page_count, 12);
    EXPECT_EQ(Cache().GetRecord(pdf)->usable, 0);  // not before the query has finished
    query.SetValue("encrypt", 0);
    query.SetResult(1);
    const FileInfoRecord* record = Cache().GetRecord(pdf);
    EXPECT_EQ(record->usable, 1);
    EXPECT_EQ(record->encryption, 0);
    EXPECT_FALSE(Cache().IsQueryPending(pdf));

    // A password given later starts a fresh query carrying it.
    Cache().MarkDeclined(pdf);
    Cache().StartQuery(pdf, "pw");
    ASSERT_EQ(started_.size(), 2u);
    EXPECT_EQ(started_[1]->Password(), "pw");
    EXPECT_EQ(Cache().GetRecord(pdf)->declined, 0);
    EXPECT_EQ(Cache().GetRecord(pdf)->password, "pw");

    Cache().StopAll();
    EXPECT_EQ(started_[1]->IsCancelled(), 1);
}

TEST_F(FileInfoCacheTest, MissingComponentsHoldFilesBackUntilTheyAreReady) {
    ready_ = false;
    const std::string pdf = File("a.pdf");
    Cache().AddFiles({pdf});
    EXPECT_EQ(updates_started_, 1);
    EXPECT_EQ(messages_, std::vector<int>{FileInfoCache::kComponentsNeeded});
    EXPECT_TRUE(started_.empty());
    EXPECT_TRUE(Cache().IsQueryPending(pdf));

    // While the update runs, more files wait and no second update starts.
    Cache().AddFiles({File("b.pdf")});
    EXPECT_EQ(updates_started_, 1);
    EXPECT_EQ(messages_.size(), 2u);

    ready_ = true;
    update_running_ = false;
    Cache().FlushPending();
    EXPECT_EQ(started_.size(), 2u);
    Cache().FlushPending();
    EXPECT_EQ(started_.size(), 2u);
}

TEST_F(FileInfoCacheTest, AnUpdateThatEndedWithoutTheComponentsIsReportedAsFailed) {
    ready_ = false;
    update_started_ = true;
    Cache().AddFiles({File("a.pdf")});
    EXPECT_EQ(messages_, std::vector<int>{FileInfoCache::kComponentsFailed});
    EXPECT_EQ(updates_started_, 0);
    EXPECT_FALSE(Cache().IsQueryPending((temp_ / "a.pdf").string()));
}

}  // namespace
