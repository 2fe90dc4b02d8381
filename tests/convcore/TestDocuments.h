#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/TestPdf.h"

// Documents the file-information tests make for themselves.
namespace convcoretest {

using testdocs::BuildPdf;
using testdocs::kBlankContent;
using testdocs::kImageContent;
using testdocs::kTextContent;
using testdocs::LineDrawingContent;
using testdocs::RunTool;
using testdocs::TestPage;
using testdocs::TextPages;
using testdocs::WriteFile;

// A .pptx with one slide per entry; false marks a hidden slide. `missing_part` lists a slide
// whose part is absent from the package.
void WritePresentation(const std::filesystem::path& file, const std::vector<bool>& shown,
                       bool missing_part = false);

// A .docx of `pages` pages: one paragraph each, separated by page breaks.
void WriteWordDocument(const std::filesystem::path& file, int pages);

}  // namespace convcoretest
