#include "service/CoreConverter.h"

#include <gtest/gtest.h>
#include <json/reader.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "service/ConversionCommands.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"
#include "support/ZipPart.h"

namespace service {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

Json::Value Parsed(const std::string& text) {
    Json::Value value;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::istringstream in(text);
    EXPECT_TRUE(Json::parseFromStream(builder, in, &value, &errors)) << text << ": " << errors;
    return value;
}

// ---- Which command a conversion runs ----

struct RouteCase {
    const char* from;
    const char* to;
    const char* record;  // the whole record before the paths
    CoreOutput output = CoreOutput::kFile;
    SourceField source = SourceField::kSourcePath;
    const char* fallback = "null";
};

const RouteCase kRoutes[] = {
    {"pdf", "docx", R"({"cmd":"pdf_to_docx","ocr":1})"},
    {"pdf", "doc", R"({"cmd":"pdf_to_doc","ocr":1})"},
    {"pdf", "xlsx", R"({"cmd":"pdf_to_xlsx","ocr":1})"},
    {"pdf", "xls", R"({"cmd":"pdf_to_xls","ocr":1})"},
    {"pdf", "pptx", R"({"cmd":"pdf_to_pptx","ocr":1})"},
    {"pdf", "txt", R"({"cmd":"pdf_to_txt"})", CoreOutput::kFile, SourceField::kSourcePath,
     R"({"cmd":"ocr_to_txt"})"},
    {"pdf", "html", R"({"cmd":"pdf_to_html"})"},
    {"pdf", "jpg", R"({"cmd":"pdf_to_jpg","merge":1,"pagePerImage":0,"scale":2.0})",
     CoreOutput::kImageFolder},
    {"pdf", "jpeg", R"({"cmd":"pdf_to_jpg","merge":1,"pagePerImage":0,"scale":2.0})",
     CoreOutput::kImageFolder},
    {"pdf", "png", R"({"cmd":"pdf_to_png","merge":1,"pagePerImage":0,"scale":2.0})",
     CoreOutput::kImageFolder},
    {"pdf", "bmp", R"({"cmd":"pdf_to_bmp","merge":1,"pagePerImage":0,"scale":2.0})",
     CoreOutput::kImageFolder},
    {"pdf", "dxf", R"({"cmd":"pdf_to_dxf"})"},
    {"dxf", "pdf",
     R"({"cmd":"dxf_to_pdf","background":"white","paper_width":2560,"paper_height":1600})"},
    {"doc", "pdf", R"({"cmd":"doc_to_pdf"})"},
    {"docx", "pdf", R"({"cmd":"docx_to_pdf"})"},
    {"xls", "pdf", R"({"cmd":"xls_to_pdf"})"},
    {"xlsx", "pdf", R"({"cmd":"xlsx_to_pdf"})"},
    {"ppt", "pdf", R"({"cmd":"ppt_to_pdf"})"},
    {"pptx", "pdf", R"({"cmd":"pptx_to_pdf"})"},
    {"txt", "pdf", R"({"cmd":"txt_to_pdf"})"},
    // Case and a leading dot are the client's spelling, not another type.
    {"PDF", ".DocX", R"({"cmd":"pdf_to_docx","ocr":1})"},
};

constexpr const char* kPictureRecord =
    R"({"cmd":"jpg_to_pdf","compress":0,"image_quality":100,"page_size":0,)"
    R"("page_direction":0,"page_margin":0})";

void ExpectRoute(const RouteCase& route) {
    SCOPED_TRACE(std::string(route.from) + " -> " + route.to);
    const CommandChoice choice = ChooseCoreCommand(route.from, route.to, Json::Value());
    ASSERT_TRUE(choice.accepted) << choice.refusal;
    // Compared as text so that a failure shows the records.
    EXPECT_EQ(choice.command.record.toStyledString(), Parsed(route.record).toStyledString());
    EXPECT_EQ(choice.command.output, route.output);
    EXPECT_EQ(choice.command.source, route.source);
    EXPECT_EQ(choice.command.blank_text_fallback.toStyledString(),
              Parsed(route.fallback).toStyledString());
}

TEST(ConversionCommandsTest, EachConversionRunsItsCommandWithItsKeys) {
    for (const RouteCase& route : kRoutes)
        ExpectRoute(route);
    for (const char* picture : {"jpg", "jpeg", "png", "bmp"})
        ExpectRoute({picture, "pdf", kPictureRecord, CoreOutput::kFile, SourceField::kImageList});
    for (const char* scan : {"jpg", "jpeg", "png", "bmp", "tif", "tiff", "gif"}) {
        for (const char* to : {"doc", "docx", "txt"}) {
            const std::string record = std::string(R"({"cmd":"ocr_to_)") + to + R"("})";
            ExpectRoute({scan, to, record.c_str()});
        }
    }
}

TEST(ConversionCommandsTest, RefusesWhatNoCommandDoesWithAReason) {
    const struct {
        const char* from;
        const char* to;
        std::string refusal;
    } cases[] = {
        {"dwg", "pdf", kDwgRefusal},
        {"pdf", "DWG", kDwgRefusal},
        {"wps", "pdf", "unsupported conversion: wps to pdf"},
        {"pdf", "ppt", "unsupported conversion: pdf to ppt"},
        {"tiff", "pdf", "unsupported conversion: tiff to pdf"},
        {"txt", "docx", "unsupported conversion: txt to docx"},
        {"PNG", "XLSX", "unsupported conversion: png to xlsx"},
    };
    for (const auto& item : cases) {
        const CommandChoice choice = ChooseCoreCommand(item.from, item.to, Json::Value());
        EXPECT_FALSE(choice.accepted) << item.from << " -> " << item.to;
        EXPECT_EQ(choice.refusal, item.refusal);
    }
}

TEST(ConversionCommandsTest, DrawingOptionsComeFromCustomDataWithDefaultsForBadValues) {
    const struct {
        const char* custom_data;  // JSON
        const char* background;
        int width;
        int height;
    } cases[] = {
        {"null", "white", 2560, 1600},
        {R"({"background":"Black","paper_size":" 800 , 600 "})", "black", 800, 600},
        {R"({"background":"red","paper_size":"2560"})", "white", 2560, 1600},
        {R"({"background":0,"paper_size":"abc,def"})", "white", 2560, 1600},
        {R"({"paper_size":"0,600"})", "white", 2560, 1600},
        {R"({"paper_size":"800,600,400"})", "white", 2560, 1600},
        {R"({"paper_size":"99999999999,600"})", "white", 2560, 1600},
        {R"({"paper_size":[800,600]})", "white", 2560, 1600},
        // Some clients send the object as its text.
        {R"("{\"background\":\"black\",\"paper_size\":\"640,480\"}")", "black", 640, 480},
        {R"("not json")", "white", 2560, 1600},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.custom_data);
        const CommandChoice choice = ChooseCoreCommand("dxf", "pdf", Parsed(item.custom_data));
        ASSERT_TRUE(choice.accepted);
        const Json::Value& record = choice.command.record;
        EXPECT_EQ(record["background"].asString(), item.background);
        EXPECT_EQ(record["paper_width"].asInt(), item.width);
        EXPECT_EQ(record["paper_height"].asInt(), item.height);
    }
}

// ---- Jobs on the real core ----

constexpr char kPageText[] = "Quarterly figures";

std::string TextPdf(int pages) {
    const std::string content = std::string("BT /F1 14 Tf 72 720 Td (") + kPageText + ") Tj ET";
    return testdocs::BuildPdf(std::vector<testdocs::TestPage>(pages, {content, ""}));
}

// Width and height from a PNG's header.
std::pair<int, int> PngSize(const std::string& png) {
    const auto at = [&png](std::size_t offset) {
        int value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value << 8 | static_cast<unsigned char>(png.at(offset + i));
        return value;
    };
    return {at(16), at(20)};
}

class CoreConverterTest : public ::testing::Test {
protected:
    static CoreConverterSettings RealCore(std::chrono::milliseconds time_limit = 30min) {
        return {QUIRE_CORE_BINARY, QUIRE_PIPE_LIBRARY, time_limit};
    }

    ConversionJob Job(const std::string& source_name, const std::string& bytes,
                      const std::string& target_type) {
        ConversionJob job;
        job.source = files_ / source_name;
        testdocs::WriteFile(job.source, bytes);
        job.file_type = job.source.extension().string().substr(1);
        job.target_file_type = target_type;
        job.target = files_ / (job.source.stem().string() + "-out." + target_type);
        return job;
    }

    // Nothing but the source, and the target when there is one; then an empty folder.
    void ExpectOnlyFilesAndClear(const ConversionJob& job, bool with_target) {
        std::vector<std::string> expected = {job.source.filename().string()};
        if (with_target)
            expected.push_back(job.target.filename().string());
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(files_.Path()))
            found.push_back(entry.path().filename().string());
        std::sort(expected.begin(), expected.end());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, expected);
        for (const std::string& name : found)
            fs::remove(files_ / name);
    }

    TempDir runtime_;
    ScopedEnv runtime_env_{"XDG_RUNTIME_DIR", runtime_.Path().string()};
    TempDir files_;
};

TEST_F(CoreConverterTest, ConvertsToTheTargetWithItsContent) {
    const struct {
        const char* source_name;
        std::string source;
        const char* target_type;
        std::function<void(const fs::path&)> check;
    } cases[] = {
        {"report.pdf", TextPdf(2), "docx",
         [](const fs::path& target) {
             EXPECT_NE(ReadPackagePart(target, "word/document.xml").find(kPageText),
                       std::string::npos);
         }},
        {"notes.pdf", TextPdf(1), "txt",
         [](const fs::path& target) {
             EXPECT_NE(testdocs::ReadFile(target).find(kPageText), std::string::npos);
         }},
        {"pages.pdf", TextPdf(2), "png",
         [](const fs::path& target) {
             const auto [width, height] = PngSize(testdocs::ReadFile(target));
             EXPECT_GT(height, 2 * width);  // both A4 pages in one picture
         }},
        {"memo.txt", std::string(kPageText) + "\n", "pdf",
         [](const fs::path& target) {
             EXPECT_EQ(testdocs::PageTexts(target), std::vector<std::string>{kPageText});
         }},
    };
    const auto converter = MakeCoreConverter(RealCore());
    for (const auto& item : cases) {
        SCOPED_TRACE(item.source_name);
        ConversionJob job = Job(item.source_name, item.source, item.target_type);
        int last_progress = -1;
        job.on_progress = [&last_progress](int percent) { last_progress = percent; };
        std::string error;
        ASSERT_TRUE(converter->Convert(job, &error)) << error;
        EXPECT_EQ(last_progress, 100);
        item.check(job.target);
        ExpectOnlyFilesAndClear(job, true);
    }
}

TEST_F(CoreConverterTest, AFailedOrStoppedJobEndsPromptlyWithoutTarget) {
    const struct {
        const char* source_name;
        std::string source;
        const char* target_type;
        std::chrono::milliseconds time_limit;
        bool cancel;
        std::string reason;  // a part of the error
    } cases[] = {
        {"broken.pdf", "%PDF-1.7\nthis is not a document\n", "docx", 30min, false,
         "cannot open broken.pdf"},
        // Neither the text layer nor a recogniser finds anything to deliver.
        {"blank.pdf", testdocs::BuildPdf({{testdocs::kBlankContent, ""}}), "txt", 30min, false, ""},
        {"long.pdf", TextPdf(40), "docx", 30min, true, "conversion cancelled"},
        {"slow.pdf", TextPdf(40), "docx", 0ms, false, "conversion took too long"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.source_name);
        const auto converter = MakeCoreConverter(RealCore(item.time_limit));
        ConversionJob job = Job(item.source_name, item.source, item.target_type);
        job.cancelled = [cancel = item.cancel] { return cancel; };
        const auto start = std::chrono::steady_clock::now();
        std::string error;
        EXPECT_FALSE(converter->Convert(job, &error));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
        EXPECT_FALSE(error.empty());
        EXPECT_NE(error.find(item.reason), std::string::npos) << error;
        ExpectOnlyFilesAndClear(job, false);
    }
}

TEST_F(CoreConverterTest, JobsFromSeveralThreadsShareTheCores) {
    const auto converter = MakeCoreConverter(RealCore());
    constexpr int kJobs = 4;
    std::vector<ConversionJob> jobs;
    for (int i = 0; i < kJobs; ++i)
        jobs.push_back(Job("doc" + std::to_string(i) + ".pdf", TextPdf(i + 1), "txt"));
    std::vector<std::string> errors(kJobs);
    std::vector<int> succeeded(kJobs, 0);
    std::vector<std::thread> workers;
    for (int i = 0; i < kJobs; ++i)
        workers.emplace_back([&, i] { succeeded[i] = converter->Convert(jobs[i], &errors[i]); });
    for (std::thread& worker : workers)
        worker.join();
    for (int i = 0; i < kJobs; ++i) {
        ASSERT_TRUE(succeeded[i]) << errors[i];
        // Each job got its own document back: a form feed between pages.
        const std::string text = testdocs::ReadFile(jobs[i].target);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), i);
    }
}

TEST(CoreConverterStartTest, RefusalsNeedNoCoreAndAMissingCoreIsReported) {
    TempDir files;
    const auto converter = MakeCoreConverter(files / "missing");
    ConversionJob job;
    job.source = files / "plan.dwg";
    job.target = files / "plan.pdf";
    job.file_type = "dwg";
    job.target_file_type = "pdf";
    std::string error;
    EXPECT_FALSE(converter->Convert(job, &error));
    EXPECT_EQ(error, kDwgRefusal);

    job.file_type = "txt";
    EXPECT_FALSE(converter->Convert(job, &error));
    EXPECT_EQ(error, "the conversion core cannot be started");
    EXPECT_TRUE(fs::is_empty(files.Path()));
}

}  // namespace
}  // namespace service
