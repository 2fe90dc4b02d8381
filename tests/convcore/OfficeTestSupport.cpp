#include "convcore/OfficeTestSupport.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <zip.h>

#include <charconv>
#include <memory>

#include "convcore/OfficeCommands.h"
#include "office/OfficeProtocol.h"
#include "platform/AtomicFile.h"
#include "platform/FileUri.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace convcoretest {
namespace {

namespace fs = std::filesystem;
using Parts = std::vector<std::pair<std::string, std::string>>;

constexpr auto kSofficeLimit = std::chrono::seconds(90);
constexpr auto kHelperDeathLimit = std::chrono::seconds(5);

std::string Xml(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n" + body;
}

std::string Relationships(const std::string& body) {
    return Xml(
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
        "relationships\">" +
        body + "</Relationships>");
}

std::string Relationship(const std::string& id, const std::string& type,
                         const std::string& target) {
    return "<Relationship Id=\"" + id +
           "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + type +
           "\" Target=\"" + target + "\"/>";
}

std::string ContentTypes(const std::string& overrides) {
    return Xml(
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/"
        "vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>" +
        overrides + "</Types>");
}

std::string Override(const std::string& part, const std::string& type) {
    return "<Override PartName=\"" + part + "\" ContentType=\"application/" + type + "\"/>";
}

void WritePackage(const fs::path& file, const Parts& parts) {
    int failure = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &failure);
    ASSERT_NE(archive, nullptr) << file;
    for (const auto& [name, data] : parts) {
        zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
        zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE);
    }
    // The buffers must live until the archive is written, which happens here.
    ASSERT_EQ(zip_close(archive), 0) << file;
}

std::string XmlEscaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else
            escaped += c;
    }
    return escaped;
}

pid_t ReadPid(const fs::path& pid_file) {
    const auto content = platform::ReadFileBounded(pid_file, 32);
    pid_t pid = 0;
    std::from_chars(content.bytes.data(), content.bytes.data() + content.bytes.size(), pid);
    return pid;
}

// The folders of the test binary's helpers, and the helpers' end with the binary's end.
class OfficeSite : public ::testing::Environment {
public:
    static OfficeSite& Instance() {
        static OfficeSite* site = new OfficeSite;
        return *site;
    }

    const convcore::OfficeSettings& Settings() {
        if (!settings_)
            settings_ = MakeSettings();
        return *settings_;
    }

    void TearDown() override {
        if (!settings_)
            return;
        for (int slot = 0; slot < settings_->slots; ++slot) {
            if (const pid_t pid = SlotHelper(*settings_, slot))
                ::kill(pid, SIGKILL);
        }
        for (int slot = 0; slot < settings_->slots; ++slot) {
            // Gone once its profile lock is free; then the folders can go.
            platform::FileLock::Acquire(officewire::ProfileLock(settings_->cache_folder, slot),
                                        kHelperDeathLimit);
        }
        folders_.reset();
    }

private:
    struct Folders {
        TempDir runtime;
        TempDir cache;
    };

    convcore::OfficeSettings MakeSettings() {
        folders_ = std::make_unique<Folders>();
        ::chmod(folders_->runtime.Path().c_str(), 0700);
        convcore::OfficeSettings settings;
        settings.helper = platform::ProgramFolder() / "quire-office";
        settings.install_folder = convcore::FindLibreOfficeProgramFolder();
        settings.runtime_folder = folders_->runtime.Path();
        settings.cache_folder = folders_->cache.Path() / "quire";
        settings.idle = std::chrono::seconds(120);
        return settings;
    }

    std::optional<convcore::OfficeSettings> settings_;
    std::unique_ptr<Folders> folders_;
};

[[maybe_unused]] ::testing::Environment* const kSite =
    ::testing::AddGlobalTestEnvironment(&OfficeSite::Instance());

// A profile in which "My Macros" hold a save-with-password routine: soffice runs such a macro
// from its command line. The settings file marks the profile as set up, so that soffice keeps
// these files instead of copying its defaults over them.
void WriteMacroProfile(const fs::path& profile) {
    const fs::path basic = profile / "user" / "basic";
    fs::create_directories(basic / "Fixtures");
    testdocs::WriteFile(
        profile / "user" / "registrymodifications.xcu",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items "
        "xmlns:oor=\"http://openoffice.org/2001/registry\" "
        "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><item "
        "oor:path=\"/org.openoffice.Setup/Office\"><prop oor:name=\"ooSetupInstCompleted\" "
        "oor:op=\"fuse\"><value>true</value></prop></item></oor:items>\n");
    testdocs::WriteFile(basic / "script.xlc",
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<library:libraries "
                        "xmlns:library=\"http://openoffice.org/2000/library\" "
                        "xmlns:xlink=\"http://www.w3.org/1999/xlink\"><library:library "
                        "library:name=\"Fixtures\" "
                        "xlink:href=\"$(USER)/basic/Fixtures/script.xlb/\" "
                        "xlink:type=\"simple\" library:link=\"false\"/></library:libraries>\n");
    testdocs::WriteFile(basic / "Fixtures" / "script.xlb",
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<library:library "
                        "xmlns:library=\"http://openoffice.org/2000/library\" "
                        "library:name=\"Fixtures\" library:readonly=\"false\" "
                        "library:passwordprotected=\"false\"><library:element "
                        "library:name=\"Save\"/></library:library>\n");
    testdocs::WriteFile(
        basic / "Fixtures" / "Save.xba",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<script:module "
        "xmlns:script=\"http://openoffice.org/2000/script\" script:name=\"Save\" "
        "script:language=\"StarBasic\">\n"
        "Sub Protected(source As String, target As String, password As String)\n"
        "  Dim load(0) As New com.sun.star.beans.PropertyValue\n"
        "  load(0).Name = &quot;Hidden&quot;\n"
        "  load(0).Value = True\n"
        "  document = StarDesktop.loadComponentFromURL(ConvertToURL(source), &quot;_blank&quot;, "
        "0, load())\n"
        "  Dim store(1) As New com.sun.star.beans.PropertyValue\n"
        "  store(0).Name = &quot;FilterName&quot;\n"
        "  store(0).Value = &quot;MS Word 97&quot;\n"
        "  store(1).Name = &quot;Password&quot;\n"
        "  store(1).Value = password\n"
        "  document.storeToURL(ConvertToURL(target), store())\n"
        "  document.close(True)\n"
        "End Sub\n"
        "</script:module>\n");
}

}  // namespace

const convcore::OfficeSettings& TestOfficeSettings() {
    return OfficeSite::Instance().Settings();
}

pid_t SlotHelper(const convcore::OfficeSettings& settings, int slot) {
    const pid_t pid =
        ReadPid(officewire::SlotFile(settings.runtime_folder, slot, officewire::kPidSuffix));
    return platform::IsProcessAlive(pid) ? pid : 0;
}

void WriteWordText(const fs::path& file, const std::vector<std::string>& paragraphs,
                   const std::string& east_asian_language, int half_points) {
    std::string properties;
    if (half_points > 0)
        properties += "<w:sz w:val=\"" + std::to_string(half_points) + "\"/>";
    if (!east_asian_language.empty())
        properties += "<w:lang w:eastAsia=\"" + east_asian_language + "\"/>";
    std::string body;
    for (const std::string& paragraph : paragraphs) {
        body += "<w:p><w:r><w:rPr>" + properties + "</w:rPr><w:t>" + XmlEscaped(paragraph) +
                "</w:t></w:r></w:p>";
    }
    WritePackage(
        file, {{"[Content_Types].xml",
                ContentTypes(Override("/word/document.xml",
                                      "vnd.openxmlformats-officedocument.wordprocessingml.document."
                                      "main+xml"))},
               {"_rels/.rels",
                Relationships(Relationship("rId1", "officeDocument", "word/document.xml"))},
               {"word/document.xml",
                Xml("<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/"
                    "main\"><w:body>" +
                    body + "</w:body></w:document>")}});
}

void WriteFormulaSheet(const fs::path& file) {
    const char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    WritePackage(
        file,
        {{"[Content_Types].xml",
          ContentTypes(Override("/xl/workbook.xml",
                                "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml") +
                       Override("/xl/worksheets/sheet1.xml",
                                "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"))},
         {"_rels/.rels", Relationships(Relationship("rId1", "officeDocument", "xl/workbook.xml"))},
         {"xl/workbook.xml",
          Xml(std::string("<workbook xmlns=\"") + kMain +
              "\" xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
              "relationships\"><sheets><sheet name=\"Sheet1\" sheetId=\"1\" "
              "r:id=\"rId1\"/></sheets></workbook>")},
         {"xl/_rels/workbook.xml.rels",
          Relationships(Relationship("rId1", "worksheet", "worksheets/sheet1.xml"))},
         {"xl/worksheets/sheet1.xml",
          Xml(std::string("<worksheet xmlns=\"") + kMain +
              "\"><sheetData><row r=\"1\"><c r=\"A1\"><v>6</v></c><c r=\"B1\"><v>7</v></c>"
              "<c r=\"C1\"><f>A1*B1</f></c><c r=\"D1\"><f>A1+B1+1000</f><v>999</v></c>"
              "</row></sheetData></worksheet>")}});
}

void WriteOneSlide(const fs::path& file, const std::string& text) {
    const std::string namespaces =
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
        "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";
    WritePackage(
        file,
        {{"[Content_Types].xml",
          ContentTypes(
              Override("/ppt/presentation.xml",
                       "vnd.openxmlformats-officedocument.presentationml.presentation.main+xml") +
              Override("/ppt/slides/slide1.xml",
                       "vnd.openxmlformats-officedocument.presentationml.slide+xml"))},
         {"_rels/.rels",
          Relationships(Relationship("rId1", "officeDocument", "ppt/presentation.xml"))},
         {"ppt/presentation.xml",
          Xml("<p:presentation " + namespaces +
              "><p:sldIdLst><p:sldId id=\"256\" r:id=\"rId2\"/></p:sldIdLst>"
              "<p:sldSz cx=\"9144000\" cy=\"6858000\"/></p:presentation>")},
         {"ppt/_rels/presentation.xml.rels",
          Relationships(Relationship("rId2", "slide", "slides/slide1.xml"))},
         {"ppt/slides/slide1.xml",
          Xml("<p:sld " + namespaces +
              "><p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/>"
              "<p:nvPr/></p:nvGrpSpPr><p:grpSpPr/><p:sp><p:nvSpPr><p:cNvPr id=\"2\" "
              "name=\"Text\"/><p:cNvSpPr txBox=\"1\"/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm>"
              "<a:off x=\"914400\" y=\"914400\"/><a:ext cx=\"6000000\" cy=\"1000000\"/>"
              "</a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr><p:txBody>"
              "<a:bodyPr/><a:p><a:r><a:t>" +
              XmlEscaped(text) +
              "</a:t></a:r></a:p></p:txBody></p:sp></p:spTree></p:cSld></p:sld>")}});
}

bool WriteProtectedWordDocument(const fs::path& file, const std::string& password) {
    const fs::path soffice = platform::FindInPath("soffice");
    if (soffice.empty())
        return false;
    const fs::path scratch = file.parent_path() / "protected-scratch";
    const fs::path source = scratch / "letter.fodt";
    WriteMacroProfile(scratch / "profile");
    testdocs::WriteFile(
        source,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
        "office:mimetype=\"application/vnd.oasis.opendocument.text\"><office:body><office:text>"
        "<text:p>Protected letter</text:p></office:text></office:body></office:document>\n");
    const auto process = platform::Process::Spawn(
        soffice,
        {"-env:UserInstallation=" + platform::FileUriFromPath((scratch / "profile").string()),
         "--headless", "--invisible", "--norestore", "--nologo", "--nolockcheck",
         "macro:///Fixtures.Save.Protected(\"" + source.string() + "\",\"" + file.string() +
             "\",\"" + password + "\")"});
    const bool ended = process && process->WaitForExit(kSofficeLimit);
    if (process && !ended) {
        process->Kill();
        process->WaitForExit(kHelperDeathLimit);
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return ended && fs::exists(file, ignored);
}

void WriteLongWordDocument(const fs::path& file) {
    std::string text;
    for (int sentence = 0; sentence < 20; ++sentence)
        text += "Every page of this report repeats the same long sentence. ";
    WriteWordText(file, std::vector<std::string>(5000, text));
}

void OfficeTest::SetUp() {
    if (TestOfficeSettings().install_folder.empty())
        GTEST_SKIP() << "LibreOffice is not installed";
}

std::string PdfText(const fs::path& pdf) {
    std::string text;
    for (const std::string& page : testdocs::PageTexts(pdf))
        text += page + "\n";
    return text;
}

void OfficeTaskContext::SetProgress(int percent) {
    progress.push_back(percent);
    progress_seconds.push_back(Seconds());
    if (on_progress)
        on_progress(Seconds());
}

bool OfficeTaskContext::IsCancelled() const {
    return cancel_after && Seconds() >= *cancel_after;
}

double OfficeTaskContext::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

convcore::TaskOutcome RunOfficeCommand(const std::string& command, const fs::path& source,
                                       const fs::path& target, convcore::TaskContext& context,
                                       const convcore::OfficeSettings& settings,
                                       const std::string& password) {
    convcore::CommandDispatcher dispatcher;
    convcore::RegisterOfficeCommands(dispatcher, settings);
    Json::Value record;
    record["cmd"] = command;
    record["source_path"] = source.string();
    record["target_path"] = target.string();
    if (!password.empty())
        record["password"] = password;
    return dispatcher.HandlerFor(record)(record, context);
}

}  // namespace convcoretest
