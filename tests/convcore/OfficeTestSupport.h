#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "convcore/CommandDispatcher.h"
#include "convcore/OfficeSettings.h"
#include "convcore/TaskContext.h"
#include "support/TempDir.h"

// Documents and surroundings for the Office to PDF tests.
namespace convcoretest {

// Settings for this test binary: the quire-office built beside it, the installed LibreOffice,
// and runtime and cache folders of its own, so that the tests never meet the user's helpers.
// The helpers started there are killed when the binary ends. Empty install_folder when
// LibreOffice is not installed.
const convcore::OfficeSettings& TestOfficeSettings();

// The running helper of a slot, by its pid file; 0 when none runs.
pid_t SlotHelper(const convcore::OfficeSettings& settings, int slot);

// A .docx with one paragraph per entry. `east_asian_language` ("zh-CN") tags every run;
// `half_points` above 0 sets the text size.
void WriteWordText(const std::filesystem::path& file, const std::vector<std::string>& paragraphs,
                   const std::string& east_asian_language = "", int half_points = 0);

// A .xlsx whose first row holds 6 and 7, "=A1*B1" without a cached result and "=A1+B1+1000"
// with a stale cached 999.
void WriteFormulaSheet(const std::filesystem::path& file);

// A .pptx of one slide with one text box.
void WriteOneSlide(const std::filesystem::path& file, const std::string& text);

// A Word 97 .doc protected with `password`, saved by a headless soffice (LibreOffice writes
// protected Office files only through its API). False when soffice failed.
bool WriteProtectedWordDocument(const std::filesystem::path& file, const std::string& password);

// The text of all pages of a PDF, joined by newlines.
std::string PdfText(const std::filesystem::path& pdf);

// What a handler sees of its task: cancelled once `cancel_after` has passed since the task
// began, with `on_progress` called on every progress report (from the handler's thread).
class OfficeTaskContext : public convcore::TaskContext {
public:
    void SetProgress(int percent) override;
    void Report(const std::string&, const Json::Value&) override {}
    bool IsCancelled() const override;
    double Seconds() const;

    std::vector<int> progress;
    std::vector<double> progress_seconds;  // when each value came
    std::optional<double> cancel_after;
    std::function<void(double seconds)> on_progress;

private:
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Runs an Office record through a dispatcher with RegisterOfficeCommands and `settings`.
convcore::TaskOutcome RunOfficeCommand(const std::string& command,
                                       const std::filesystem::path& source,
                                       const std::filesystem::path& target,
                                       convcore::TaskContext& context,
                                       const convcore::OfficeSettings& settings,
                                       const std::string& password = "");

// A document LibreOffice takes seconds to lay out (some thousand pages), for the tests that act
// while a conversion runs.
void WriteLongWordDocument(const std::filesystem::path& file);

// Tests that need LibreOffice: skipped without it. Helpers started during them run in a
// Japanese locale, where LibreOffice would give Chinese text Japanese forms unless told
// otherwise.
class OfficeTest : public ::testing::Test {
protected:
    void SetUp() override;

    TempDir folder_;
    ScopedEnv locale_{"LC_ALL", "ja_JP.UTF-8"};
};

}  // namespace convcoretest
