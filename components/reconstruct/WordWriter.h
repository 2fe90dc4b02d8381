#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/OoxmlPackage.h"
#include "reconstruct/WordFonts.h"
#include "reconstruct/WordNumbering.h"
#include "reconstruct/WordParagraphXml.h"
#include "reconstruct/WordPictures.h"
#include "reconstruct/WordRelationships.h"
#include "reconstruct/WordSection.h"

namespace reconstruct {

// Writes rebuilt pages as a Word document of flowing text: paragraphs, lists, tables and inline
// pictures, one section per change of page setup or column layout. The body and the pictures
// stream to files in the scratch folder, so memory does not grow with the number of pages.
class WordWriter {
public:
    // Starts a document at `target` (a work path; the caller renames it when done). The running
    // header and footer go into the document's header and footer parts; page-number runs become
    // PAGE fields. `scratch` is a private folder for parts streamed to disk.
    static std::unique_ptr<WordWriter> Create(const std::filesystem::path& target,
                                              const std::filesystem::path& scratch,
                                              const RunningText& running, std::string* error);
    // Appends one page.
    bool AddPage(const Page& page, std::string* error);
    bool Finish(std::string* error);

    WordWriter(const WordWriter&) = delete;
    WordWriter& operator=(const WordWriter&) = delete;

private:
    WordWriter(std::unique_ptr<OoxmlPackage> package, std::filesystem::path scratch);
    bool Open(const RunningText& running, std::string* error);
    bool AddDocumentParts(const char* kind, const std::vector<Paragraph>& rows,
                          const std::vector<Paragraph>& even_rows, std::string* id,
                          std::string* even_id, std::string* blank_id, std::string* error);
    bool AddRunningPart(const char* kind, const std::vector<Paragraph>* paragraphs, std::string* id,
                        std::string* error);
    bool AddOwnRunningParts(const Page& page, SectionLayout* layout, std::string* error);
    std::string RunningPartKey(const char* kind, std::vector<Paragraph> paragraphs);

    void EnterLayout(const SectionLayout& layout, bool new_page);
    void CloseSection();
    std::string SectionEndXml() const;
    bool WriteRegion(const Region& region, const SectionLayout& page_layout, bool new_page,
                     std::string* error);
    bool WriteBlock(const Block& block, const SectionLayout& layout, int column,
                    std::string* error);
    void WriteTable(const Table& table, double indent, double width);
    bool WritePicture(const Image& image, double indent, double width, double height,
                      std::string* error);
    bool WritePageImage(const Page& page, std::string* error);
    // Streams what came before and keeps `xml` back: the last block may still have to carry
    // the end of its section.
    void Push(std::string xml, bool paragraph);
    // Pushes a block of the page.
    void Emit(std::string xml, bool paragraph);
    BreakBefore TakeBreak();
    bool Streamed(std::string* error);

    std::unique_ptr<OoxmlPackage> package_;
    std::filesystem::path scratch_;
    std::ofstream body_;
    std::ofstream relationships_file_;
    WordRelationships relationships_;
    WordNumbering numbering_;
    WordFonts fonts_;
    WordPictures pictures_;
    WordContext context_;
    HeaderFooterIds running_ids_;
    // Header and footer parts by kind and content, so that the pages of a chapter share one.
    std::map<std::string, std::string> running_parts_;
    std::map<std::string, int> running_part_counts_;  // parts made, by kind

    std::optional<SectionLayout> section_;
    SectionStart section_start_ = SectionStart::kNextPage;
    std::optional<PageNumbering> page_numbering_;  // the PDF's, for the PAGE fields
    int page_index_ = 0;                           // of the page being added
    int section_first_page_ = 0;                   // index of the page the section starts on
    std::string pending_;
    bool pending_paragraph_ = false;
    bool pending_section_ = false;  // the pending paragraph already ends a section
    BreakBefore next_break_ = BreakBefore::kNone;
    long emitted_ = 0;  // blocks so far, to tell a page that showed nothing
    int pages_ = 0;
    bool finished_ = false;
};

}  // namespace reconstruct
