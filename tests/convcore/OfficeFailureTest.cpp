#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <optional>
#include <thread>

#include "convcore/OfficeHelperClient.h"
#include "convcore/OfficeTestSupport.h"
#include "convcore/PageToolTestDocs.h"
#include "office/OfficeProtocol.h"
#include "platform/Process.h"
#include "support/WaitUntil.h"

namespace convcoretest {
namespace {

namespace fs = std::filesystem;
using convcore::OfficeSettings;
using convcore::TaskOutcome;

struct Attempt {
    TaskOutcome outcome;
    double seconds = 0;
};

class OfficeFailureTest : public OfficeTest {
protected:
    Attempt Convert(const fs::path& source, const fs::path& target, const OfficeSettings& settings,
                    const std::string& password, OfficeTaskContext& context) {
        Attempt attempt;
        attempt.outcome =
            RunOfficeCommand("docx_to_pdf", source, target, context, settings, password);
        attempt.seconds = context.Seconds();
        return attempt;
    }

    Attempt Convert(const fs::path& source, const fs::path& target, const OfficeSettings& settings,
                    const std::string& password = "") {
        OfficeTaskContext context;
        return Convert(source, target, settings, password, context);
    }

    // A failure leaves the folder as it was: no target, no hidden work file.
    void ExpectFailedCleanly(const Attempt& attempt, const std::string& error_part,
                             const std::set<std::string>& before, const std::string& label) {
        EXPECT_FALSE(attempt.outcome.ok) << label;
        EXPECT_NE(attempt.outcome.error.find(error_part), std::string::npos)
            << label << ": " << attempt.outcome.error;
        EXPECT_EQ(FolderNames(folder_.Path()), before) << label;
    }

    // A small conversion that must succeed: the slot's helper is running afterwards.
    void ConvertSmallDocument() {
        WriteWordText(folder_ / "small.docx", {"Small"});
        const Attempt attempt =
            Convert(folder_ / "small.docx", folder_ / "small.pdf", TestOfficeSettings());
        ASSERT_TRUE(attempt.outcome.ok) << attempt.outcome.error;
        fs::remove(folder_ / "small.pdf");
    }

    pid_t FirstSlotHelper() { return SlotHelper(TestOfficeSettings(), 0); }
};

// Refused before LibreOffice is asked, so these need no LibreOffice.
TEST(OfficeInputTest, SourcesAndTargetsThatCannotWorkAreRefused) {
    TempDir folder;
    testdocs::WriteFile(folder / "empty.docx", "");
    testdocs::WriteFile(folder / "report.docx", testdocs::BuildPdf(testdocs::TextPages(1)));
    testdocs::WriteFile(folder / "notes.doc", "just some notes\n");
    // The compound file signature alone: the header around it is no header.
    testdocs::WriteFile(folder / "rubbish.doc",
                        std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, 'x'));
    testdocs::WriteFile(folder / "blocker", "a file where a folder is expected");
    fs::create_directory(folder / "folder.docx");
    WriteWordText(folder / "fine.docx", {"Fine"});
    struct Case {
        const char* source;
        fs::path target;
        const char* error;
    };
    const Case cases[] = {
        {"missing.docx", folder / "out.pdf", "file not found"},
        {"empty.docx", folder / "out.pdf", "empty.docx is empty"},
        {"report.docx", folder / "out.pdf", "is not a Word, Excel or PowerPoint document"},
        {"notes.doc", folder / "out.pdf", "is not a Word, Excel or PowerPoint document"},
        {"rubbish.doc", folder / "out.pdf", "is not a Word, Excel or PowerPoint document"},
        {"folder.docx", folder / "out.pdf", "is not a file"},
        {"fine.docx", folder / "absent" / "out.pdf", "target folder not found"},
        {"fine.docx", folder / "blocker" / "out.pdf", "target folder not found"},
    };
    const std::set<std::string> before = FolderNames(folder.Path());
    for (const Case& c : cases) {
        OfficeTaskContext context;
        const TaskOutcome outcome = RunOfficeCommand("docx_to_pdf", folder / c.source, c.target,
                                                     context, TestOfficeSettings());
        EXPECT_FALSE(outcome.ok) << c.source;
        EXPECT_NE(outcome.error.find(c.error), std::string::npos)
            << c.source << ": " << outcome.error;
        EXPECT_EQ(FolderNames(folder.Path()), before) << c.source;
    }
}

TEST(OfficeInputTest, MissingLibreOfficeOrHelperIsNamed) {
    TempDir folder;
    WriteWordText(folder / "fine.docx", {"Fine"});
    const auto expect_failure = [&](const OfficeSettings& settings, const std::string& error) {
        OfficeTaskContext context;
        const TaskOutcome outcome = RunOfficeCommand("docx_to_pdf", folder / "fine.docx",
                                                     folder / "out.pdf", context, settings);
        EXPECT_FALSE(outcome.ok) << error;
        EXPECT_NE(outcome.error.find(error), std::string::npos) << outcome.error;
        EXPECT_FALSE(fs::exists(folder / "out.pdf"));
    };
    OfficeSettings no_office = TestOfficeSettings();
    no_office.install_folder = folder.Path();
    expect_failure(no_office, "LibreOffice is not installed");
    no_office.install_folder.clear();
    expect_failure(no_office, "LibreOffice is not installed");
    // The helper is looked for only once LibreOffice is there.
    if (TestOfficeSettings().install_folder.empty())
        return;
    OfficeSettings no_helper = TestOfficeSettings();
    no_helper.helper = folder / "quire-office";
    expect_failure(no_helper, "the LibreOffice helper is missing");
}

TEST(OfficeInputTest, InstallationSettingsFollowTheEnvironment) {
    TempDir runtime;
    ScopedEnv runtime_dir("XDG_RUNTIME_DIR", runtime.Path().string());
    ScopedEnv home("HOME", "/home/someone");
    struct Case {
        const char* cache;  // XDG_CACHE_HOME, nullptr for none
        const char* job_seconds;
        fs::path expected_cache;
        long expected_job_seconds;
    };
    const Case cases[] = {
        {"/var/cache/me", "30", "/var/cache/me/quire", 30},
        {nullptr, nullptr, "/home/someone/.cache/quire", 300},
        // Relative cache folders are not XDG's; bad numbers keep the default.
        {"relative/cache", "0", "/home/someone/.cache/quire", 300},
        {"/var/cache/me", "12x", "/var/cache/me/quire", 300},
        {"/var/cache/me", "-5", "/var/cache/me/quire", 300},
    };
    for (const Case& c : cases) {
        const std::string label =
            std::string(c.cache ? c.cache : "-") + " " + (c.job_seconds ? c.job_seconds : "-");
        std::optional<ScopedEnv> cache;
        std::optional<ScopedEnv> job;
        if (c.cache)
            cache.emplace("XDG_CACHE_HOME", c.cache);
        else
            cache.emplace("XDG_CACHE_HOME", nullptr);
        if (c.job_seconds)
            job.emplace("QUIRE_OFFICE_JOB_SECONDS", c.job_seconds);
        else
            job.emplace("QUIRE_OFFICE_JOB_SECONDS", nullptr);
        std::string error;
        const auto settings = convcore::DefaultOfficeSettings(&error);
        ASSERT_TRUE(settings) << error;
        EXPECT_EQ(settings->cache_folder, c.expected_cache) << label;
        EXPECT_EQ(settings->job_limit.count(), c.expected_job_seconds) << label;
        EXPECT_EQ(settings->runtime_folder, runtime.Path() / "quire" / "office");
        EXPECT_EQ(settings->helper.filename(), "quire-office");
    }
}

TEST_F(OfficeFailureTest, DamagedDocumentsAndUnwritableFoldersFailCleanly) {
    WriteWordText(folder_ / "whole.docx", {"Whole"});
    const std::string whole = testdocs::ReadFile(folder_ / "whole.docx");
    testdocs::WriteFile(folder_ / "cut.docx", whole.substr(0, whole.size() / 2));
    // A compound file header, then nothing that makes sense.
    std::string header(32, '\0');
    header.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    header.replace(28, 4, std::string("\xFE\xFF\x09\x00", 4));
    testdocs::WriteFile(folder_ / "rubbish.doc", header + std::string(2048, '\x7F'));
    const std::set<std::string> before = FolderNames(folder_.Path());
    for (const char* name : {"cut.docx", "rubbish.doc"}) {
        const Attempt attempt = Convert(folder_ / name, folder_ / "out.pdf", TestOfficeSettings());
        ExpectFailedCleanly(attempt, name, before, name);
    }
    // Writing is refused even to root there; an ordinary user is refused before LibreOffice.
    const Attempt attempt =
        Convert(folder_ / "whole.docx", "/proc/quire-office-test.pdf", TestOfficeSettings());
    EXPECT_FALSE(attempt.outcome.ok);
    EXPECT_FALSE(attempt.outcome.error.empty());
    EXPECT_FALSE(fs::exists("/proc/quire-office-test.pdf"));
}

TEST_F(OfficeFailureTest, AProtectedDocumentOpensOnlyWithItsPassword) {
    const fs::path protected_doc = folder_ / "sealed.doc";
    ASSERT_TRUE(WriteProtectedWordDocument(protected_doc, "secret"))
        << "soffice could not write the protected fixture";
    const std::set<std::string> before = FolderNames(folder_.Path());
    for (const char* password : {"", "wrong"}) {
        const Attempt attempt =
            Convert(protected_doc, folder_ / "out.pdf", TestOfficeSettings(), password);
        ExpectFailedCleanly(attempt, "Invalid password", before, password);
        EXPECT_EQ(attempt.outcome.error.rfind("Invalid password", 0), 0u) << attempt.outcome.error;
    }
    const Attempt opened =
        Convert(protected_doc, folder_ / "out.pdf", TestOfficeSettings(), "secret");
    ASSERT_TRUE(opened.outcome.ok) << opened.outcome.error;
    EXPECT_NE(PdfText(folder_ / "out.pdf").find("Protected letter"), std::string::npos);
}

TEST_F(OfficeFailureTest, AHelperThatDiesMidJobFailsTheTaskAndTheSlotRecovers) {
    ConvertSmallDocument();
    const pid_t helper = FirstSlotHelper();
    ASSERT_NE(helper, 0);
    WriteLongWordDocument(folder_ / "long.docx");
    const std::set<std::string> before = FolderNames(folder_.Path());
    OfficeTaskContext context;
    bool killed = false;
    context.on_progress = [&](double seconds) {
        // The job reached the running helper at once; half a second later it is working.
        if (!killed && seconds >= 0.5)
            killed = ::kill(helper, SIGKILL) == 0;
    };
    const Attempt attempt =
        Convert(folder_ / "long.docx", folder_ / "long.pdf", TestOfficeSettings(), "", context);
    EXPECT_TRUE(killed);
    ExpectFailedCleanly(attempt, "LibreOffice stopped while converting long.docx", before,
                        "killed");
    ConvertSmallDocument();
    EXPECT_NE(FirstSlotHelper(), helper);
}

TEST_F(OfficeFailureTest, AJobPastTheLimitOrCancelledEndsPromptlyAndStopsItsHelper) {
    WriteLongWordDocument(folder_ / "long.docx");
    OfficeSettings short_limit = TestOfficeSettings();
    short_limit.job_limit = std::chrono::seconds(1);
    struct Case {
        const char* label;
        OfficeSettings settings;
        std::optional<double> cancel_after;
        const char* error;
    };
    const Case cases[] = {
        {"limit", short_limit, std::nullopt, "LibreOffice took longer than 1 s"},
        {"cancel", TestOfficeSettings(), 0.5, "cancelled"},
    };
    for (const Case& c : cases) {
        ConvertSmallDocument();
        const pid_t helper = FirstSlotHelper();
        const std::set<std::string> before = FolderNames(folder_.Path());
        OfficeTaskContext context;
        context.cancel_after = c.cancel_after;
        const Attempt attempt =
            Convert(folder_ / "long.docx", folder_ / "long.pdf", c.settings, "", context);
        ExpectFailedCleanly(attempt, c.error, before, c.label);
        // The long document alone takes several seconds; the helper is gone, not finishing.
        EXPECT_LT(attempt.seconds, 4.0) << c.label;
        // The program hears of the task at least once a second while it waits.
        double last = 0;
        for (double seconds : context.progress_seconds) {
            EXPECT_LT(seconds - last, 1.0) << c.label;
            last = seconds;
        }
        EXPECT_FALSE(platform::IsProcessAlive(helper)) << c.label;
    }
}

TEST_F(OfficeFailureTest, AnIdleHelperLeavesAndTheSlotStartsAnother) {
    // A runtime folder of its own, since the shared helpers stay up for two minutes; the shared
    // first slot's profile (a warm start) once its helper is gone.
    if (const pid_t shared = FirstSlotHelper()) {
        ::kill(shared, SIGKILL);
        ASSERT_TRUE(WaitUntil([&] { return !platform::IsProcessAlive(shared); }));
    }
    TempDir runtime;
    ::chmod(runtime.Path().c_str(), 0700);
    OfficeSettings settings = TestOfficeSettings();
    settings.runtime_folder = runtime.Path();
    settings.slots = 1;
    settings.idle = std::chrono::seconds(1);
    WriteWordText(folder_ / "note.docx", {"Note"});
    const auto convert = [&] {
        return convcore::RunOfficeJob({folder_ / "note.docx", folder_ / "note.pdf", ""}, settings,
                                      [] { return true; });
    };
    const convcore::OfficeJobResult first = convert();
    ASSERT_EQ(first.end, convcore::OfficeJobResult::End::kDone) << first.error;
    const fs::path socket = officewire::SlotFile(runtime.Path(), 0, officewire::kSocketSuffix);
    EXPECT_TRUE(WaitUntil([&] { return !platform::IsProcessAlive(first.helper_pid); },
                          std::chrono::seconds(10)));
    EXPECT_FALSE(fs::exists(socket));
    EXPECT_FALSE(fs::exists(officewire::SlotFile(runtime.Path(), 0, officewire::kPidSuffix)));
    // The next job starts a new helper, one that would idle for long.
    settings.idle = std::chrono::seconds(600);
    const convcore::OfficeJobResult second = convert();
    ASSERT_EQ(second.end, convcore::OfficeJobResult::End::kDone) << second.error;
    EXPECT_NE(second.helper_pid, first.helper_pid);
    // Its socket removed, it leaves all the same.
    fs::remove(socket);
    EXPECT_TRUE(WaitUntil([&] { return !platform::IsProcessAlive(second.helper_pid); },
                          std::chrono::seconds(10)));
}

}  // namespace
}  // namespace convcoretest
