// quire-cli's online functions as a person uses them: the command line in a program folder of
// its own whose common.dat names a real quire-service on loopback, which converts through the
// real conversion core.
#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>
#include <pango/pangocairo.h>
#include <signal.h>
#include <zip.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <thread>

#include "CliProcess.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Base64(const std::string& bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 2]);
        for (std::size_t k = 0; k < 4; ++k)
            text += i + k <= bytes.size() ? kAlphabet[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

// Black text on a white picture, large enough for recognition, like a scan at 300 dpi.
void DrawTextPicture(const fs::path& png, const std::string& text) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1400, 220);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string("Noto Sans CJK SC 44px");
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, text.c_str(), -1);
    cairo_move_to(cr, 60, 60);
    pango_cairo_show_layout(cr, layout);
    pango_font_description_free(font);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_write_to_png(surface, png.c_str());
    cairo_surface_destroy(surface);
}

// A PDF whose only page content is that picture, as a scanner makes it.
void WriteScannedPdf(const fs::path& pdf, const fs::path& png) {
    cairo_surface_t* picture = cairo_image_surface_create_from_png(png.c_str());
    cairo_surface_t* surface = cairo_pdf_surface_create(pdf.c_str(), 336, 53);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, 0.24, 0.24);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    cairo_surface_destroy(picture);
}

std::string ReadAll(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

std::string ZipEntry(const fs::path& archive, const char* name) {
    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    if (!zip)
        return {};
    std::string text;
    if (zip_file_t* file = zip_fopen(zip, name, 0)) {
        char buffer[8192];
        zip_int64_t got = 0;
        while ((got = zip_fread(file, buffer, sizeof(buffer))) > 0)
            text.append(buffer, static_cast<std::size_t>(got));
        zip_fclose(file);
    }
    zip_close(zip);
    return text;
}

// A quire-service process on a free loopback port, stopped with the test.
class ServiceProcess {
public:
    ServiceProcess(const fs::path& data, std::vector<std::string> extra) {
        std::vector<std::string> arguments = {
            "--listen", "127.0.0.1:0",           "--data", data.string(), "--block-size",
            "65536",    "--multipart-threshold", "131072"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        process_ = std::make_unique<CliProcess>(QUIRE_SERVICE_BINARY, arguments,
                                                std::vector<std::string>{});
        if (!process_->WaitForOutput("listening on ", 20s))
            return;
        std::smatch match;
        const std::string& out = process_->Out();
        if (std::regex_search(out, match, std::regex("listening on (http://[0-9.:]+)")))
            url_ = match[1];
    }
    ~ServiceProcess() { Stop(); }

    const std::string& Url() const { return url_; }
    void Kill() { process_->Signal(SIGKILL); }
    std::optional<int> Stop() {
        if (stopped_)
            return 0;
        stopped_ = true;
        process_->Signal(SIGTERM);
        return process_->WaitForExit(30s);
    }
    const std::string& Err() const { return process_->Err(); }

private:
    std::unique_ptr<CliProcess> process_;
    std::string url_;
    bool stopped_ = false;
};

class OnlineEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(home_);
        fs::create_directories(in_);
    }

    // The command line copied into a program folder whose common.dat names `service_url`.
    void InstallProgram(const std::string& service_url) {
        const fs::path built = fs::path(QUIRE_CLI_BINARY).parent_path();
        fs::create_directories(program_);
        for (const char* file :
             {"quire-cli", "quire-core", "libquire-pipe.so", "libquire-ocr.so",
              "libquire-core-tools.so", "quire-office", "switch.ini", "cfgdata", "ressrc"}) {
            if (!fs::exists(built / file))
                continue;
            // A hard link spares copying the large binaries; the executable's folder is still
            // the link's.
            std::error_code error;
            if (fs::is_directory(built / file))
                fs::copy(built / file, program_ / file, fs::copy_options::recursive);
            else
                fs::create_hard_link(built / file, program_ / file, error);
            if (error)
                fs::copy(built / file, program_ / file);
        }
        std::ofstream(program_ / "common.dat") << Base64("[common]\nhost=" + service_url + "\n");
    }

    CliResult Cli(const std::vector<std::string>& arguments) {
        return RunProgram((program_ / "quire-cli").string(), arguments, Environment());
    }

    std::vector<std::string> Environment() const {
        return {"QUIRE_HOME=" + home_.string(), "XDG_CACHE_HOME=" + (home_ / "cache").string(),
                "QUIRE_OFFICE_IDLE_SECONDS=5"};
    }

    std::vector<std::string> Names(const fs::path& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir temp_;
    fs::path home_ = temp_ / "home";
    fs::path in_ = temp_ / "in";
    fs::path program_ = temp_ / "program";
};

TEST_F(OnlineEndToEndTest, PreciseScanAndPictureConversionsComeBackEditable) {
    ServiceProcess service(temp_ / "data", {});
    ASSERT_FALSE(service.Url().empty()) << service.Err();
    InstallProgram(service.Url());

    testdocs::WriteFile(in_ / "text.pdf",
                        testdocs::BuildPdf({{"BT /F1 12 Tf 72 720 Td (Precise mode) Tj ET", ""}}));
    const CliResult precise =
        Cli({"pdf-to-word", "--precise", "--agree-upload", (in_ / "text.pdf").string()});
    ASSERT_EQ(precise.exit_code, 0) << precise.err;
    EXPECT_NE(ZipEntry(in_ / "text.docx", "word/document.xml").find("Precise mode"),
              std::string::npos);

    // The agreement is stored: later runs need no option.
    DrawTextPicture(in_ / "scan.png", "文档转换测试");
    WriteScannedPdf(in_ / "scan.pdf", in_ / "scan.png");
    const CliResult scan = Cli({"pdf-to-word", "--precise", (in_ / "scan.pdf").string()});
    ASSERT_EQ(scan.exit_code, 0) << scan.err;
    const std::string scan_xml = ZipEntry(in_ / "scan.docx", "word/document.xml");
    EXPECT_NE(scan_xml.find("转换"), std::string::npos) << scan_xml.substr(0, 2000);

    DrawTextPicture(in_ / "picture.png", "Quire converts documents");
    const CliResult ocr = Cli({"ocr", (in_ / "picture.png").string()});
    ASSERT_EQ(ocr.exit_code, 0) << ocr.err;
    ASSERT_TRUE(fs::exists(in_ / "picture.doc")) << ocr.out;
    EXPECT_EQ(ReadAll(in_ / "picture.doc").substr(0, 4), "\xD0\xCF\x11\xE0");
    EXPECT_EQ(service.Stop(), 0);
}

TEST_F(OnlineEndToEndTest, DrawingsGoBothWaysAndDocumentsBecomePdf) {
    ServiceProcess service(temp_ / "data", {});
    ASSERT_FALSE(service.Url().empty()) << service.Err();
    InstallProgram(service.Url());
    std::ofstream(in_ / "plan.dxf") << "0\nSECTION\n2\nENTITIES\n"
                                       "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n100\n21\n50\n"
                                       "0\nTEXT\n8\n0\n10\n10\n20\n10\n40\n5\n1\nPLAN\n"
                                       "0\nENDSEC\n0\nEOF\n";
    const CliResult to_pdf =
        Cli({"cad-to-pdf", "--agree-upload", "--background", "black", (in_ / "plan.dxf").string()});
    ASSERT_EQ(to_pdf.exit_code, 0) << to_pdf.err;
    EXPECT_EQ(testdocs::PageTexts(in_ / "plan.pdf"), std::vector<std::string>{"PLAN"});

    const CliResult to_dxf = Cli({"pdf-to-cad", "--format", "dxf", "-o", (temp_ / "back").string(),
                                  (in_ / "plan.pdf").string()});
    ASSERT_EQ(to_dxf.exit_code, 0) << to_dxf.err;
    const std::string dxf = ReadAll(temp_ / "back" / "plan.dxf");
    EXPECT_NE(dxf.find("PLAN"), std::string::npos);
    EXPECT_NE(dxf.find("LWPOLYLINE"), std::string::npos);

    // A document to PDF in precise mode, from a Word file the service itself made.
    testdocs::WriteFile(in_ / "words.pdf",
                        testdocs::BuildPdf({{"BT /F1 12 Tf 72 720 Td (Round trip) Tj ET", ""}}));
    ASSERT_EQ(Cli({"pdf-to-word", "--precise", (in_ / "words.pdf").string()}).exit_code, 0);
    const CliResult document = Cli({"word-to-pdf", "--precise", "-o", (temp_ / "pdf").string(),
                                    (in_ / "words.docx").string()});
    ASSERT_EQ(document.exit_code, 0) << document.err;
    EXPECT_EQ(testdocs::PageTexts(temp_ / "pdf" / "words.pdf"),
              std::vector<std::string>{"Round trip"});
}

TEST_F(OnlineEndToEndTest, CtrlCEndsAStalledConversionPromptlyAndLeavesNothing) {
    std::ofstream(temp_ / "faults.json")
        << R"({"rules":[{"route":"progress","action":{"stall_ms":60000}}]})";
    ServiceProcess service(temp_ / "data", {"--faults", (temp_ / "faults.json").string()});
    ASSERT_FALSE(service.Url().empty()) << service.Err();
    InstallProgram(service.Url());
    testdocs::WriteFile(in_ / "slow.pdf",
                        testdocs::BuildPdf({{"BT /F1 12 Tf 72 720 Td (Slow) Tj ET", ""}}));
    CliProcess cli((program_ / "quire-cli").string(),
                   {"pdf-to-word", "--precise", "--agree-upload", (in_ / "slow.pdf").string()},
                   Environment());
    ASSERT_TRUE(cli.WaitForOutput("started: ", 30s)) << cli.Err();
    std::this_thread::sleep_for(1500ms);  // uploaded, and the progress query is hanging
    const auto interrupted = std::chrono::steady_clock::now();
    cli.Signal(SIGINT);
    const auto code = cli.WaitForExit(30s);
    ASSERT_TRUE(code.has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, 2s);
    EXPECT_EQ(*code, 1);
    EXPECT_EQ(Names(in_), std::vector<std::string>{"slow.pdf"});
}

TEST_F(OnlineEndToEndTest, AServiceThatDisappearsMidUploadFailsTheFileCleanly) {
    std::ofstream(temp_ / "faults.json")
        << R"({"rules":[{"route":"upload","action":{"stall_ms":60000}}]})";
    ServiceProcess service(temp_ / "data", {"--faults", (temp_ / "faults.json").string()});
    ASSERT_FALSE(service.Url().empty()) << service.Err();
    InstallProgram(service.Url());
    std::vector<testdocs::TestPage> pages(40, {"BT /F1 12 Tf 72 720 Td (Big) Tj ET", ""});
    testdocs::WriteFile(in_ / "big.pdf", testdocs::BuildPdf(pages) + std::string(150000, ' '));
    CliProcess cli((program_ / "quire-cli").string(),
                   {"pdf-to-word", "--precise", "--agree-upload", (in_ / "big.pdf").string()},
                   Environment());
    ASSERT_TRUE(cli.WaitForOutput("started: ", 30s)) << cli.Err();
    std::this_thread::sleep_for(1500ms);
    service.Kill();
    const auto code = cli.WaitForExit(90s);
    ASSERT_TRUE(code.has_value()) << cli.Err();
    EXPECT_EQ(*code, 1);
    EXPECT_NE(cli.Err().find("big.pdf"), std::string::npos) << cli.Err();
    EXPECT_EQ(Names(in_), std::vector<std::string>{"big.pdf"});
}

}  // namespace
