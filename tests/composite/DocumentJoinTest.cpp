#include "composite/DocumentJoin.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include <sys/wait.h>

#include "composite/OoxmlParts.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using Entries = std::map<std::string, std::string>;
using document_join::JoinDocuments;

// A 1×1 PNG; bytes after its end mark tell the parts' pictures apart and are ignored by readers.
const std::string kPng(
    "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89\0\0\0\n"
    "IDAT\x78\x9c\x63\0\x01\0\0\x05\0\x01\x0d\x0a\x2d\xb4\0\0\0\0IEND\xae\x42\x60\x82",
    67);

bool WriteZip(const fs::path& path, const Entries& entries) {
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        return false;
    }
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    }
    return zip_close(archive) == 0;
}

Entries ReadZip(const fs::path& path) {
    Entries entries;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, nullptr);
    if (!archive) {
        return entries;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
        std::string bytes(stat.size, '\0');
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        zip_fread(file, bytes.data(), stat.size);
        zip_fclose(file);
        entries[stat.name] = bytes;
    }
    zip_discard(archive);
    return entries;
}

struct WordPartShape {
    int number = 1;
    int page_width = 11906;  // twentieths of a point
    int page_height = 16838;
    bool numbered = true;
};

std::string WordDocumentXml(const WordPartShape& shape) {
    const std::string n = std::to_string(shape.number);
    std::string list;
    if (shape.numbered) {
        list =
            "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>"
            "<w:r><w:t>Part " +
            n + " item</w:t></w:r></w:p>";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
           "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
           "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
           "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
           "xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><w:body>"
           "<w:p><w:pPr><w:pStyle w:val=\"Part" +
           n +
           "\"/></w:pPr>"
           "<w:bookmarkStart w:id=\"0\" w:name=\"top" +
           n + "\"/><w:r><w:t>Part " + n +
           " opening words</w:t></w:r><w:bookmarkEnd w:id=\"0\"/></w:p>" + list +
           "<w:p><w:hyperlink r:id=\"rId7\"><w:r><w:t>Part " + n +
           " link</w:t></w:r></w:hyperlink></w:p>"
           "<w:p><w:r><w:drawing><wp:inline><wp:extent cx=\"914400\" cy=\"914400\"/>"
           "<wp:docPr id=\"1\" name=\"Picture 1\"/><a:graphic><a:graphicData "
           "uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
           "<pic:nvPicPr><pic:cNvPr id=\"0\" name=\"image1.png\"/><pic:cNvPicPr/></pic:nvPicPr>"
           "<pic:blipFill><a:blip r:embed=\"rId5\"/><a:stretch><a:fillRect/></a:stretch>"
           "</pic:blipFill><pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"914400\" "
           "cy=\"914400\"/></a:xfrm><a:prstGeom prst=\"rect\"/></pic:spPr></pic:pic>"
           "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>"
           "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId8\"/>"
           "<w:pgSz w:w=\"" +
           std::to_string(shape.page_width) + "\" w:h=\"" + std::to_string(shape.page_height) +
           "\"/><w:pgMar w:top=\"1440\" w:right=\"1440\" "
           "w:bottom=\"1440\" w:left=\"1440\" w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/>"
           "</w:sectPr></w:body></w:document>";
}

Entries WordPart(const WordPartShape& shape) {
    const std::string n = std::to_string(shape.number);
    const std::string w =
        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
    const std::string type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    Entries entries;
    entries["[Content_Types].xml"] =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Default Extension=\"png\" ContentType=\"image/png\"/>"
        "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
        "<Override PartName=\"/word/header1.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.wordprocessingml.header+xml\"/>"
        "<Override PartName=\"/word/styles.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>" +
        std::string(shape.numbered ? "<Override PartName=\"/word/numbering.xml\" ContentType=\""
                                     "application/vnd.openxmlformats-officedocument."
                                     "wordprocessingml.numbering+xml\"/>"
                                   : "") +
        "</Types>";
    entries["_rels/.rels"] =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" +
        type +
        "officeDocument\" "
        "Target=\"word/document.xml\"/></Relationships>";
    entries["word/document.xml"] = WordDocumentXml(shape);
    entries["word/_rels/document.xml.rels"] =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId5\" Type=\"" +
        type + "image\" Target=\"media/image1.png\"/>" +
        (shape.numbered
             ? "<Relationship Id=\"rId6\" Type=\"" + type + "numbering\" Target=\"numbering.xml\"/>"
             : std::string()) +
        "<Relationship Id=\"rId7\" Type=\"" + type +
        "hyperlink\" "
        "Target=\"http://example.com/" +
        n +
        "\" TargetMode=\"External\"/>"
        "<Relationship Id=\"rId8\" Type=\"" +
        type +
        "header\" Target=\"header1.xml\"/>"
        "<Relationship Id=\"rId9\" Type=\"" +
        type +
        "styles\" Target=\"styles.xml\"/>"
        "</Relationships>";
    entries["word/media/image1.png"] = kPng + "part " + n;
    entries["word/header1.xml"] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:hdr " + w +
                                  "><w:p><w:r><w:t>Header " + n + "</w:t></w:r></w:p></w:hdr>";
    entries["word/styles.xml"] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:styles " + w +
                                 "><w:style w:type=\"paragraph\" w:styleId=\"Normal\"><w:name "
                                 "w:val=\"Normal\"/></w:style><w:style w:type=\"paragraph\" "
                                 "w:styleId=\"Part" +
                                 n + "\"><w:name w:val=\"Part " + n +
                                 "\"/><w:basedOn w:val=\"Normal\"/></w:style></w:styles>";
    if (shape.numbered) {
        entries["word/numbering.xml"] =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:numbering " + w +
            "><w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/>"
            "<w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/></w:lvl></w:abstractNum>"
            "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num></w:numbering>";
    }
    return entries;
}

std::vector<tinyxml2::XMLElement*> Elements(tinyxml2::XMLDocument& document,
                                            const std::string& name) {
    std::vector<tinyxml2::XMLElement*> found;
    if (document.RootElement()) {
        document_join::ForEachElement(document.RootElement(), [&](tinyxml2::XMLElement* e) {
            if (name == e->Name()) {
                found.push_back(e);
            }
        });
    }
    return found;
}

std::vector<std::string> Attributes(tinyxml2::XMLDocument& document, const std::string& element,
                                    const char* attribute) {
    std::vector<std::string> values;
    for (tinyxml2::XMLElement* e : Elements(document, element)) {
        values.push_back(e->Attribute(attribute) ? e->Attribute(attribute) : "");
    }
    return values;
}

// The joined package, parsed for checking.
class JoinedWord {
public:
    explicit JoinedWord(const fs::path& path) : entries_(ReadZip(path)) {
        document_.Parse(Entry("word/document.xml").c_str());
        rels_.Parse(Entry("word/_rels/document.xml.rels").c_str());
        numbering_.Parse(Entry("word/numbering.xml").c_str());
        types_.Parse(Entry("[Content_Types].xml").c_str());
        styles_.Parse(Entry("word/styles.xml").c_str());
    }
    std::string Entry(const std::string& name) const {
        const auto found = entries_.find(name);
        return found == entries_.end() ? std::string() : found->second;
    }
    const Entries& All() const { return entries_; }
    // The package part a relationship id of the document points at; empty when none.
    std::string Target(const std::string& id, bool* external = nullptr) {
        for (tinyxml2::XMLElement* e : Elements(rels_, "Relationship")) {
            if (id == e->Attribute("Id")) {
                const bool outside = e->Attribute("TargetMode", "External") != nullptr;
                if (external) {
                    *external = outside;
                }
                return outside ? e->Attribute("Target")
                               : document_join::ResolveTarget("word/document.xml",
                                                              e->Attribute("Target"));
            }
        }
        return {};
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (tinyxml2::XMLElement* t : Elements(document_, "w:t")) {
            texts.push_back(t->GetText() ? t->GetText() : "");
        }
        return texts;
    }

    tinyxml2::XMLDocument document_;
    tinyxml2::XMLDocument rels_;
    tinyxml2::XMLDocument numbering_;
    tinyxml2::XMLDocument types_;
    tinyxml2::XMLDocument styles_;

private:
    Entries entries_;
};

class DocumentJoinWord : public ::testing::Test {
protected:
    std::vector<fs::path> MakeParts(const std::vector<WordPartShape>& shapes) {
        std::vector<fs::path> parts;
        for (const WordPartShape& shape : shapes) {
            parts.push_back(dir_ / ("report(" + std::to_string(shape.number) + ").docx"));
            EXPECT_TRUE(WriteZip(parts.back(), WordPart(shape)));
        }
        return parts;
    }
    std::vector<fs::path> ThreeParts() {
        return MakeParts(
            {{1, 11906, 16838, true}, {2, 16838, 11906, true}, {3, 12240, 15840, true}});
    }
    fs::path Join(const std::vector<fs::path>& parts) {
        const fs::path target = dir_ / "joined.docx";
        std::string error;
        EXPECT_TRUE(JoinDocuments(parts, target, &error)) << error;
        return target;
    }

    TempDir dir_;
};

TEST_F(DocumentJoinWord, TextOfEveryPartInOrderWithOneSectionEach) {
    JoinedWord joined(Join(ThreeParts()));
    std::vector<std::string> expected;
    for (const char* n : {"1", "2", "3"}) {
        for (const char* text : {" opening words", " item", " link"}) {
            expected.push_back(std::string("Part ") + n + text);
        }
    }
    EXPECT_EQ(joined.Texts(), expected);
    // Each part's page setup survives: its closing section properties, in part order.
    EXPECT_EQ(Attributes(joined.document_, "w:pgSz", "w:w"),
              (std::vector<std::string>{"11906", "16838", "12240"}));
    const auto sections = Elements(joined.document_, "w:sectPr");
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_STREQ(sections[0]->Parent()->ToElement()->Name(), "w:pPr");
    EXPECT_STREQ(sections[1]->Parent()->ToElement()->Name(), "w:pPr");
    EXPECT_EQ(sections[2]->Parent(), joined.document_.RootElement()->FirstChildElement("w:body"));
    EXPECT_EQ(sections[2]->NextSibling(), nullptr);
}

TEST_F(DocumentJoinWord, PicturesLinksAndHeadersPointAtEachPartsOwnCopy) {
    JoinedWord joined(Join(ThreeParts()));
    const auto embeds = Attributes(joined.document_, "a:blip", "r:embed");
    ASSERT_EQ(embeds.size(), 3u);
    std::set<std::string> pictures;
    for (size_t i = 0; i < embeds.size(); ++i) {
        const std::string part = joined.Target(embeds[i]);
        pictures.insert(part);
        EXPECT_EQ(joined.Entry(part), kPng + "part " + std::to_string(i + 1)) << part;
    }
    EXPECT_EQ(pictures.size(), 3u);

    const auto links = Attributes(joined.document_, "w:hyperlink", "r:id");
    ASSERT_EQ(links.size(), 3u);
    for (size_t i = 0; i < links.size(); ++i) {
        bool external = false;
        EXPECT_EQ(joined.Target(links[i], &external),
                  "http://example.com/" + std::to_string(i + 1));
        EXPECT_TRUE(external);
    }

    const auto headers = Attributes(joined.document_, "w:headerReference", "r:id");
    ASSERT_EQ(headers.size(), 3u);
    for (size_t i = 0; i < headers.size(); ++i) {
        EXPECT_NE(joined.Entry(joined.Target(headers[i])).find("Header " + std::to_string(i + 1)),
                  std::string::npos);
    }
}

TEST_F(DocumentJoinWord, EveryPartHasAContentTypeAndIdsAreUnique) {
    JoinedWord joined(Join(ThreeParts()));
    std::set<std::string> extensions;
    std::set<std::string> overrides;
    for (auto* e : Elements(joined.types_, "Default")) {
        extensions.insert(e->Attribute("Extension"));
    }
    for (auto* e : Elements(joined.types_, "Override")) {
        overrides.insert(e->Attribute("PartName"));
    }
    for (const auto& [name, bytes] : joined.All()) {
        if (name == "[Content_Types].xml") {
            continue;
        }
        EXPECT_TRUE(overrides.count("/" + name) ||
                    extensions.count(document_join::ExtensionOf(name)))
            << name;
    }
    EXPECT_EQ(
        std::count_if(overrides.begin(), overrides.end(),
                      [](const std::string& part) { return part.find("header") != part.npos; }),
        3);
    const auto drawings = Attributes(joined.document_, "wp:docPr", "id");
    EXPECT_EQ(std::set<std::string>(drawings.begin(), drawings.end()).size(), 3u);
    const auto bookmarks = Attributes(joined.document_, "w:bookmarkStart", "w:id");
    EXPECT_EQ(std::set<std::string>(bookmarks.begin(), bookmarks.end()).size(), 3u);
    EXPECT_EQ(Attributes(joined.document_, "w:bookmarkEnd", "w:id"), bookmarks);
    const auto ids = Attributes(joined.rels_, "Relationship", "Id");
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
}

TEST_F(DocumentJoinWord, StylesOfEveryPartAreDefinedOnce) {
    JoinedWord joined(Join(ThreeParts()));
    const auto defined = Attributes(joined.styles_, "w:style", "w:styleId");
    EXPECT_EQ(std::set<std::string>(defined.begin(), defined.end()).size(), defined.size());
    const auto used = Attributes(joined.document_, "w:pStyle", "w:val");
    EXPECT_EQ(used, (std::vector<std::string>{"Part1", "Part2", "Part3"}));
    for (const std::string& style : used) {
        EXPECT_NE(std::find(defined.begin(), defined.end(), style), defined.end()) << style;
    }
}

// Each part's list must restart at 1 in the joined document, not continue the previous part's.
TEST_F(DocumentJoinWord, ListsOfEachPartStayApart) {
    for (const bool first_numbered : {true, false}) {
        SCOPED_TRACE(first_numbered ? "first part numbered" : "first part without lists");
        auto parts = MakeParts(
            {{1, 11906, 16838, first_numbered}, {2, 11906, 16838, true}, {3, 11906, 16838, true}});
        JoinedWord joined(Join(parts));
        const auto used = Attributes(joined.document_, "w:numId", "w:val");
        ASSERT_EQ(used.size(), first_numbered ? 3u : 2u);
        EXPECT_EQ(std::set<std::string>(used.begin(), used.end()).size(), used.size());
        std::map<std::string, std::string> abstract_of;
        for (auto* num : Elements(joined.numbering_, "w:num")) {
            abstract_of[num->Attribute("w:numId")] =
                num->FirstChildElement("w:abstractNumId")->Attribute("w:val");
        }
        const auto abstracts = Attributes(joined.numbering_, "w:abstractNum", "w:abstractNumId");
        EXPECT_EQ(std::set<std::string>(abstracts.begin(), abstracts.end()).size(), used.size());
        std::set<std::string> definitions;
        for (const std::string& id : used) {
            ASSERT_TRUE(abstract_of.count(id)) << id;
            EXPECT_NE(std::find(abstracts.begin(), abstracts.end(), abstract_of[id]),
                      abstracts.end());
            definitions.insert(abstract_of[id]);
        }
        EXPECT_EQ(definitions.size(), used.size());
        // Every abstract definition precedes every list instance, as Word requires.
        const auto children = Elements(joined.numbering_, "w:abstractNum");
        EXPECT_EQ(children.back()->NextSiblingElement("w:abstractNum"), nullptr);
        EXPECT_EQ(children.back()->PreviousSiblingElement("w:num"), nullptr);
        const auto types = Attributes(joined.rels_, "Relationship", "Type");
        const auto ids = Attributes(joined.rels_, "Relationship", "Id");
        const auto numbering = std::find_if(types.begin(), types.end(), [](const std::string& t) {
            return t.ends_with("/numbering");
        });
        ASSERT_NE(numbering, types.end());
        EXPECT_EQ(joined.Target(ids[numbering - types.begin()]), "word/numbering.xml");
    }
}

TEST_F(DocumentJoinWord, DamagedPartFailsWithoutTarget) {
    struct Damage {
        const char* what;
        std::function<void(Entries&)> apply;
    };
    const std::vector<Damage> damages = {
        {"document is not XML",
         [](Entries& e) { e["word/document.xml"] = "<w:document><w:body>"; }},
        {"document missing", [](Entries& e) { e.erase("word/document.xml"); }},
        {"picture missing", [](Entries& e) { e.erase("word/media/image1.png"); }},
        {"no content types", [](Entries& e) { e.erase("[Content_Types].xml"); }},
        {"not Word",
         [](Entries& e) {
             e["word/document.xml"] = "<x:document xmlns:x=\"urn:other\"><x:body/></x:document>";
         }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        auto parts = ThreeParts();
        Entries broken = WordPart({2});
        damage.apply(broken);
        ASSERT_TRUE(WriteZip(parts[1], broken));
        const fs::path target = dir_ / "joined.docx";
        std::string error;
        EXPECT_FALSE(JoinDocuments(parts, target, &error));
        EXPECT_NE(error.find("report(2).docx"), std::string::npos) << error;
        EXPECT_FALSE(fs::exists(target));
    }
}

TEST_F(DocumentJoinWord, UnreadablePackageFailsWithoutTarget) {
    for (const bool truncated : {true, false}) {
        SCOPED_TRACE(truncated ? "cut short" : "not a package");
        auto parts = ThreeParts();
        std::string bytes;
        {
            std::ifstream in(parts[2], std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        bytes = truncated ? bytes.substr(0, bytes.size() / 2) : "PK\x03\x04 not really a zip";
        std::ofstream(parts[2], std::ios::binary | std::ios::trunc) << bytes;
        std::string error;
        EXPECT_FALSE(JoinDocuments(parts, dir_ / "joined.docx", &error));
        EXPECT_NE(error.find("report(3).docx"), std::string::npos) << error;
        EXPECT_FALSE(fs::exists(dir_ / "joined.docx"));
    }
}

// The command's standard output; `status` gets its exit status.
std::string Shell(const std::string& command, int* status = nullptr) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return output;
    }
    std::array<char, 4096> buffer;
    while (size_t count = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        output.append(buffer.data(), count);
    }
    const int result = ::pclose(pipe);
    if (status) {
        *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    }
    return output;
}

TEST_F(DocumentJoinWord, OfficeSuiteOpensTheJoinedDocument) {
    if (Shell("command -v soffice").empty() || Shell("command -v pdftotext").empty()) {
        GTEST_SKIP() << "soffice or pdftotext is not installed";
    }
    const fs::path joined = Join(ThreeParts());
    const std::string quiet = " >/dev/null 2>&1";
    int status = 0;
    // Below the test runner's own time limit; a loaded machine can take this long.
    Shell("timeout 100 soffice --headless -env:UserInstallation=file://" +
              (dir_ / "profile").string() + " --convert-to pdf --outdir " + dir_.Path().string() +
              " " + joined.string() + quiet,
          &status);
    if (status == 124) {
        GTEST_SKIP() << "the office suite did not finish in time";
    }
    const fs::path pdf = dir_ / "joined.pdf";
    ASSERT_TRUE(fs::exists(pdf)) << "the office suite could not convert the joined document";
    const std::string info = Shell("pdfinfo " + pdf.string());
    EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
    const std::string text = Shell("pdftotext -layout " + pdf.string() + " -");
    size_t at = 0;
    for (const char* line : {"Header 1", "Part 1 opening words", "Part 1 link", "Header 2",
                             "Part 2 opening words", "Part 3 opening words", "Part 3 link"}) {
        const size_t found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " missing or out of order in\n" << text;
        at = found;
    }
}

TEST(DocumentJoinPaths, RelationshipTargetsResolveWithinThePackage) {
    struct Case {
        const char* source;
        const char* target;
        const char* resolved;
    };
    for (const Case& c : std::vector<Case>{
             {"word/document.xml", "media/image1.png", "word/media/image1.png"},
             {"word/document.xml", "../customXml/item1.xml", "customXml/item1.xml"},
             {"word/document.xml", "/word/./media/a.png", "word/media/a.png"},
             {"", "word/document.xml", "word/document.xml"},
             {"word/document.xml", "../../etc/passwd", ""},
         }) {
        EXPECT_EQ(document_join::ResolveTarget(c.source, c.target), c.resolved) << c.target;
    }
    EXPECT_EQ(document_join::RelativeTarget("word/document.xml", "word/media/a_2.png"),
              "media/a_2.png");
    EXPECT_EQ(document_join::RelativeTarget("word/document.xml", "customXml/item1.xml"),
              "/customXml/item1.xml");
    EXPECT_EQ(document_join::RelsPathOf("word/header1.xml"), "word/_rels/header1.xml.rels");
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(DocumentJoinText, PartsFollowEachOtherOnNewLines) {
    TempDir dir;
    const std::vector<std::pair<std::string, std::string>> parts = {
        {"a(1-50).txt", "first\nsecond"},
        {"a(51-100).txt", "\xEF\xBB\xBFthird\n"},
        {"a(101-120).txt", ""},
        {"a(121-130).txt", "fourth"}};
    std::vector<fs::path> paths;
    for (const auto& [name, text] : parts) {
        paths.push_back(dir / name);
        WriteFile(paths.back(), text);
    }
    std::string error;
    ASSERT_TRUE(JoinDocuments(paths, dir / "a.txt", &error)) << error;
    EXPECT_EQ(ReadFile(dir / "a.txt"), "first\nsecond\nthird\nfourth");

    fs::remove(paths[2]);
    EXPECT_FALSE(JoinDocuments(paths, dir / "b.txt", &error));
    EXPECT_NE(error.find("a(101-120).txt"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir / "b.txt"));
}

TEST(DocumentJoinText, HtmlBodiesJoinInsideTheFirstPage) {
    TempDir dir;
    WriteFile(dir / "p1.html",
              "<html><head><title>T</title></head><BODY class=\"x\"><p>one</p>"
              "</BODY></html>\n");
    WriteFile(dir / "p2.html",
              "<html><head><style>p{}</style></head><body><p>two</p></body></html>");
    WriteFile(dir / "p3.html", "<p>three</p>");
    std::string error;
    ASSERT_TRUE(JoinDocuments({dir / "p1.html", dir / "p2.html", dir / "p3.html"}, dir / "all.html",
                              &error))
        << error;
    EXPECT_EQ(ReadFile(dir / "all.html"),
              "<html><head><title>T</title></head><BODY class=\"x\"><p>one</p>\n<p>two</p>\n"
              "<p>three</p></BODY></html>\n");
}

TEST(DocumentJoinKinds, KindsThatCannotJoinAreRefusedWithAReason) {
    TempDir dir;
    WriteFile(dir / "p1", "x");
    for (const char* kind : {"xlsx", "doc", "xls", "pdf"}) {
        const fs::path target = dir / (std::string("joined.") + kind);
        std::string error;
        EXPECT_FALSE(JoinDocuments({dir / "p1", dir / "p1"}, target, &error)) << kind;
        EXPECT_FALSE(error.empty()) << kind;
        EXPECT_FALSE(fs::exists(target)) << kind;
    }
    std::string error;
    EXPECT_FALSE(JoinDocuments({}, dir / "joined.docx", &error));
    EXPECT_FALSE(error.empty());
}

Entries PresentationPart(int number) {
    const std::string n = std::to_string(number);
    const std::string ns =
        "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const std::string type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    const std::string content = "application/vnd.openxmlformats-officedocument.presentationml.";
    const auto rels = [](const std::string& items) {
        return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
               "relationships\">" +
               items + "</Relationships>";
    };
    const auto rel = [&](const char* id, const char* kind, const std::string& target) {
        return "<Relationship Id=\"" + std::string(id) + "\" Type=\"" + type + kind +
               "\" Target=\"" + target + "\"/>";
    };
    Entries entries;
    std::string overrides;
    for (const auto& [part, kind] : std::vector<std::pair<std::string, std::string>>{
             {"presentation.xml", "presentation.main+xml"},
             {"slides/slide1.xml", "slide+xml"},
             {"slides/slide2.xml", "slide+xml"},
             {"slideLayouts/slideLayout1.xml", "slideLayout+xml"},
             {"slideLayouts/slideLayout2.xml", "slideLayout+xml"},
             {"slideMasters/slideMaster1.xml", "slideMaster+xml"},
             {"notesSlides/notesSlide1.xml", "notesSlide+xml"}}) {
        overrides +=
            "<Override PartName=\"/ppt/" + part + "\" ContentType=\"" + content + kind + "\"/>";
    }
    entries["[Content_Types].xml"] =
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Default Extension=\"png\" ContentType=\"image/png\"/>" +
        overrides + "</Types>";
    entries["_rels/.rels"] = rels(rel("rId1", "officeDocument", "ppt/presentation.xml"));
    // Listed second-first: the list, not the file names, orders the slides.
    entries["ppt/presentation.xml"] =
        "<p:presentation " + ns +
        "><p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" "
        "r:id=\"rId1\"/></p:sldMasterIdLst><p:sldIdLst><p:sldId id=\"256\" r:id=\"rId3\"/>"
        "<p:sldId id=\"257\" r:id=\"rId2\"/></p:sldIdLst><p:sldSz cx=\"9144000\" "
        "cy=\"6858000\"/></p:presentation>";
    entries["ppt/_rels/presentation.xml.rels"] =
        rels(rel("rId1", "slideMaster", "slideMasters/slideMaster1.xml") +
             rel("rId2", "slide", "slides/slide1.xml") + rel("rId3", "slide", "slides/slide2.xml"));
    for (const std::string k : {"1", "2"}) {
        entries["ppt/slides/slide" + k + ".xml"] =
            "<p:sld " + ns + "><p:cSld><p:spTree><p:sp><p:txBody><a:p><a:r><a:t>Part " + n +
            " slide " + k +
            "</a:t></a:r></a:p></p:txBody></p:sp><p:pic><p:blipFill>"
            "<a:blip r:embed=\"rId2\"/></p:blipFill></p:pic></p:spTree></p:cSld></p:sld>";
        entries["ppt/slides/_rels/slide" + k + ".xml.rels"] =
            rels(rel("rId1", "slideLayout", "../slideLayouts/slideLayout" + k + ".xml") +
                 rel("rId2", "image", "../media/image1.png") +
                 (k == "1" ? rel("rId3", "notesSlide", "../notesSlides/notesSlide1.xml") : ""));
        entries["ppt/slideLayouts/slideLayout" + k + ".xml"] = "<p:sldLayout " + ns + "/>";
        entries["ppt/slideLayouts/_rels/slideLayout" + k + ".xml.rels"] =
            rels(rel("rId1", "slideMaster", "../slideMasters/slideMaster1.xml"));
    }
    entries["ppt/slideMasters/slideMaster1.xml"] = "<p:sldMaster " + ns + "/>";
    entries["ppt/notesSlides/notesSlide1.xml"] = "<p:notes " + ns + "/>";
    entries["ppt/notesSlides/_rels/notesSlide1.xml.rels"] =
        rels(rel("rId1", "slide", "../slides/slide1.xml"));
    entries["ppt/media/image1.png"] = kPng + "deck " + n;
    return entries;
}

// Relationship id → (type, resolved target) of `part` in `entries`.
std::map<std::string, std::pair<std::string, std::string>> RelationshipsOf(
    const Entries& entries, const std::string& part) {
    std::map<std::string, std::pair<std::string, std::string>> found;
    tinyxml2::XMLDocument rels;
    const auto bytes = entries.find(document_join::RelsPathOf(part));
    if (bytes == entries.end() || rels.Parse(bytes->second.c_str()) != tinyxml2::XML_SUCCESS) {
        return found;
    }
    for (tinyxml2::XMLElement* e : Elements(rels, "Relationship")) {
        found[e->Attribute("Id")] = {e->Attribute("Type"),
                                     document_join::ResolveTarget(part, e->Attribute("Target"))};
    }
    return found;
}

TEST(DocumentJoinPresentation, SlidesFollowInListOrderOnTheFirstPartsLayouts) {
    TempDir dir;
    std::vector<fs::path> parts;
    for (int number : {1, 2}) {
        parts.push_back(dir / ("deck(" + std::to_string(number) + ").pptx"));
        ASSERT_TRUE(WriteZip(parts.back(), PresentationPart(number)));
    }
    std::string error;
    ASSERT_TRUE(JoinDocuments(parts, dir / "deck.pptx", &error)) << error;
    const Entries joined = ReadZip(dir / "deck.pptx");
    tinyxml2::XMLDocument presentation;
    presentation.Parse(joined.at("ppt/presentation.xml").c_str());
    const auto ids = Attributes(presentation, "p:sldId", "id");
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 4u);
    const auto listed = RelationshipsOf(joined, "ppt/presentation.xml");
    std::vector<std::string> texts;
    std::set<std::string> pictures;
    size_t layouts = 0;
    for (const std::string& id : Attributes(presentation, "p:sldId", "r:id")) {
        ASSERT_TRUE(listed.count(id)) << id;
        const std::string slide = listed.at(id).second;
        tinyxml2::XMLDocument xml;
        ASSERT_EQ(xml.Parse(joined.at(slide).c_str()), tinyxml2::XML_SUCCESS) << slide;
        texts.push_back(Elements(xml, "a:t").at(0)->GetText());
        for (const auto& [rid, relationship] : RelationshipsOf(joined, slide)) {
            const auto& [kind, target] = relationship;
            // The first part's slides keep their notes; appended ones leave theirs behind.
            EXPECT_FALSE(kind.ends_with("/notesSlide") && texts.back().starts_with("Part 2"))
                << slide;
            EXPECT_TRUE(joined.count(target)) << slide << " → " << target;
            if (kind.ends_with("/slideLayout")) {
                ++layouts;
                // "Part n slide k" keeps the first part's layout k.
                EXPECT_EQ(target,
                          "ppt/slideLayouts/slideLayout" + texts.back().substr(13) + ".xml");
            }
            if (kind.ends_with("/image")) {
                pictures.insert(joined.at(target));
            }
        }
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Part 1 slide 2", "Part 1 slide 1", "Part 2 slide 2",
                                               "Part 2 slide 1"}));
    EXPECT_EQ(layouts, 4u);
    EXPECT_EQ(pictures, (std::set<std::string>{kPng + "deck 1", kPng + "deck 2"}));
    // The layouts and the master are shared, not copied.
    EXPECT_EQ(std::count_if(joined.begin(), joined.end(),
                            [](const auto& entry) {
                                return entry.first.starts_with("ppt/slideLayouts/slideLayout") &&
                                       entry.first.ends_with(".xml");
                            }),
              2);
}

}  // namespace
