#pragma once

#include <json/value.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "convcore/RecordingContext.h"
#include "convcore/TaskContext.h"
#include "support/TestPdf.h"

// Documents and checks for the page-tool tests. Pages carry their own names as text, so a
// second tool reading the text of each page tells which pages an output holds, in which order.
namespace convcoretest {

// A PDF whose page n shows "<prefix>Page <n>"; `catalog` adds entries to its catalog.
std::string NamedPagesPdf(int count, const std::string& prefix = "",
                          const std::string& catalog = "");

// The same document with uncompressed, long-winded contents: plenty for compression to win.
std::string WordyPdf(int count);

// A PDF of `count` pages sharing one resource dictionary with two pictures, page n drawing the
// first picture when n is odd and the second when it is even.
std::string SharedResourcesPdf(int count);

// Pages of a single picture of `width` x `height` pixels, stored without compression, or as a
// JPEG (quality 95) when `as_jpeg`.
std::string PicturePdf(int width, int height, bool as_jpeg = false);

using testdocs::PageTexts;
// The texts NamedPagesPdf gives the listed pages.
std::vector<std::string> NamedPages(const std::vector<int>& pages, const std::string& prefix = "");

// Encrypts with AES-256 through the qpdf tool; false when it failed.
bool EncryptWithQpdf(const std::filesystem::path& plain, const std::filesystem::path& locked,
                     const std::string& user, const std::string& owner);

// The PDF rewritten by qpdf with plain-text objects and uncompressed streams; empty when qpdf
// failed.
std::string ReadableForm(const std::filesystem::path& pdf);
// Picture objects in a PDF, counted in its readable form.
int CountPictures(const std::filesystem::path& pdf);

// The first page drawn by mutool at 20 dpi, as RGB samples; empty when mutool failed.
std::string RenderFirstPage(const std::filesystem::path& pdf);
// The mean absolute difference of two renderings' samples; 255 when their sizes differ.
double MeanDifference(const std::string& first, const std::string& second);

// Every name in a folder, hidden ones included.
std::set<std::string> FolderNames(const std::filesystem::path& folder);

// Runs one page-tool record through the dispatcher with RegisterPageTools.
convcore::TaskOutcome RunPageTool(const Json::Value& record, convcore::TaskContext& context);

}  // namespace convcoretest
