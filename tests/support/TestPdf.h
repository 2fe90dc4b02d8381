#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Small PDFs written byte by byte, so tests need no PDF library to make their documents.
namespace testdocs {

struct TestPage {
    std::string content;     // the page's content stream
    std::string attributes;  // more page dictionary entries, e.g. "/Rotate 90"
};

// Content streams; every page has the font /F1 and a 2x2 RGB image /Im1 as resources.
inline const char kTextContent[] = "BT /F1 12 Tf 72 720 Td (Hello) Tj ET";
inline const char kImageContent[] = "q 500 0 0 700 50 50 cm /Im1 Do Q";
inline const char kBlankContent[] = "";
// A plan: `lines` separate straight strokes and a label.
std::string LineDrawingContent(int lines);

// A well-formed PDF with A4 pages; `info` is the body of its information dictionary, e.g.
// "/Producer (X)", empty for none.
std::string BuildPdf(const std::vector<TestPage>& pages, const std::string& info = "");
std::vector<TestPage> TextPages(int count);

// A PDF of these objects, object n + 1 being objects[n] and object 1 the catalog, with a
// cross-reference table; `trailer_entries` go into the trailer after /Size and /Root.
std::string AssemblePdf(const std::vector<std::string>& objects,
                        const std::string& trailer_entries = "");

void WriteFile(const std::filesystem::path& file, const std::string& data);
// The whole file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& file);

// The text of each page, read by pdftotext and trimmed; empty when the tool failed.
std::vector<std::string> PageTexts(const std::filesystem::path& pdf,
                                   const std::string& password = "");

// Runs a program from PATH and waits (bounded) for it; true when it exited with 0.
bool RunTool(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace testdocs
