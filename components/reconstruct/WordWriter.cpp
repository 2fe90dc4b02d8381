#include "reconstruct/WordWriter.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include "reconstruct/WordPackageParts.h"
#include "reconstruct/WordTableXml.h"

namespace reconstruct {
namespace {

constexpr char kXmlDeclaration[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
// Room left under a picture that fills the text height, so that rounding in the word processor
// cannot push it onto a page of its own.
constexpr double kPictureSlack = 2;
constexpr double kPointsPerPixel = 0.75;

Rect BoxOf(const Block& block) {
    return std::visit([](const auto& item) { return item.box; }, block);
}

int ColumnOf(const Rect& box, const SectionLayout& layout) {
    if (layout.columns < 2 || !std::isfinite(box.x0))
        return 0;
    const double pitch = layout.ColumnWidth() + layout.column_gap;
    const double offset = box.x0 - layout.margins.left + layout.column_gap / 2;
    return std::clamp(static_cast<int>(std::floor(offset / pitch)), 0, layout.columns - 1);
}

// How far in from its column's left edge a block starts, leaving it `min_width` of room.
double IndentIn(const Rect& box, const SectionLayout& layout, int column, double min_width) {
    const double column_left =
        layout.margins.left + column * (layout.ColumnWidth() + layout.column_gap);
    const double room = std::max(0.0, layout.ColumnWidth() - min_width);
    return std::isfinite(box.x0) ? std::clamp(box.x0 - column_left, 0.0, room) : 0;
}

}  // namespace

std::unique_ptr<WordWriter> WordWriter::Create(const std::filesystem::path& target,
                                               const std::filesystem::path& scratch,
                                               const RunningText& running, std::string* error) {
    std::error_code failure;
    std::filesystem::create_directories(scratch, failure);
    if (failure) {
        *error = "cannot create the work folder " + scratch.string() + ": " + failure.message();
        return nullptr;
    }
    auto package = OoxmlPackage::Create(target, error);
    if (!package)
        return nullptr;
    std::unique_ptr<WordWriter> writer(new WordWriter(std::move(package), scratch));
    if (!writer->Open(running, error))
        return nullptr;
    return writer;
}

WordWriter::WordWriter(std::unique_ptr<OoxmlPackage> package, std::filesystem::path scratch)
    : package_(std::move(package)),
      scratch_(std::move(scratch)),
      pictures_(*package_, relationships_, scratch_),
      context_{relationships_, numbering_, fonts_, true} {}

bool WordWriter::Open(const RunningText& running, std::string* error) {
    body_.open(scratch_ / "document.xml", std::ios::binary | std::ios::trunc);
    relationships_file_.open(scratch_ / "document.xml.rels", std::ios::binary | std::ios::trunc);
    if (!body_ || !relationships_file_) {
        *error = "cannot write to the work folder " + scratch_.string();
        return false;
    }
    body_ << kXmlDeclaration << "<w:document " << kWordNamespaces << "><w:body>";
    relationships_file_ << WordRelationships::kXmlStart;
    for (const char* part : {"styles", "numbering", "settings", "fontTable"})
        relationships_.Add(part, std::string(part) + ".xml");
    package_->AddDefault("png", "image/png");
    package_->AddDefault("jpeg", "image/jpeg");
    page_numbering_ = running.numbering;
    return AddDocumentParts("header", running.header, running.even_header, &running_ids_.header,
                            &running_ids_.even_header, &running_ids_.blank_header, error) &&
           AddDocumentParts("footer", running.footer, running.even_footer, &running_ids_.footer,
                            &running_ids_.even_footer, &running_ids_.blank_footer, error);
}

// The document's parts of one kind: its running rows (for each side when even pages have their
// own) and the blank part for pages that show none.
bool WordWriter::AddDocumentParts(const char* kind, const std::vector<Paragraph>& rows,
                                  const std::vector<Paragraph>& even_rows, std::string* id,
                                  std::string* even_id, std::string* blank_id, std::string* error) {
    if (rows.empty() && even_rows.empty())
        return true;
    return (rows.empty() || AddRunningPart(kind, &rows, id, error)) &&
           (even_rows.empty() || AddRunningPart(kind, &even_rows, even_id, error)) &&
           AddRunningPart(kind, nullptr, blank_id, error);
}

// What tells two header or footer parts apart: their paragraphs without the page numbers, which
// a part shows as a field whatever page it stands on.
std::string WordWriter::RunningPartKey(const char* kind, std::vector<Paragraph> paragraphs) {
    WordRelationships own;
    WordContext context{own, numbering_, fonts_, false};
    std::string key = kind;
    for (Paragraph& paragraph : paragraphs) {
        for (TextRun& run : paragraph.runs) {
            if (run.page_number)
                run.text.clear();
        }
        key += ParagraphXml(paragraph, BreakBefore::kNone, context);
    }
    return key + own.Drain();
}

// A header or footer part; without paragraphs, a blank one for pages that are only a picture.
// A part like one made before is that one: the pages of a chapter share their header.
bool WordWriter::AddRunningPart(const char* kind, const std::vector<Paragraph>* paragraphs,
                                std::string* id, std::string* error) {
    const std::string key =
        RunningPartKey(kind, paragraphs ? *paragraphs : std::vector<Paragraph>{});
    if (const auto made = running_parts_.find(key); made != running_parts_.end()) {
        *id = made->second;
        return true;
    }
    const std::string root = kind == std::string("header") ? "w:hdr" : "w:ftr";
    WordRelationships own;
    WordContext context{own, numbering_, fonts_, false};
    std::string xml = std::string(kXmlDeclaration) + "<" + root + " " + kWordNamespaces + ">";
    if (paragraphs == nullptr)
        xml += SpacerParagraphXml(BreakBefore::kNone);
    for (const Paragraph& paragraph : paragraphs ? *paragraphs : std::vector<Paragraph>{})
        xml += ParagraphXml(paragraph, BreakBefore::kNone, context);
    xml += "</" + root + ">";
    const std::string links = own.Drain();
    const std::string name =
        std::string(kind) + std::to_string(++running_part_counts_[kind]) + ".xml";
    if (!links.empty() && !package_->AddPart("word/_rels/" + name + ".rels", "",
                                             WordRelationships::PartXml(links), error))
        return false;
    *id = relationships_.Add(kind, name);
    running_parts_.emplace(key, *id);
    return package_->AddPart("word/" + name, WordPartType(kind), std::move(xml), error);
}

// A page that printed more in its running rows than the document's running text (its chapter's
// title) gets parts of its own.
bool WordWriter::AddOwnRunningParts(const Page& page, SectionLayout* layout, std::string* error) {
    return (page.own_header.empty() ||
            AddRunningPart("header", &page.own_header, &layout->own_header, error)) &&
           (page.own_footer.empty() ||
            AddRunningPart("footer", &page.own_footer, &layout->own_footer, error));
}

BreakBefore WordWriter::TakeBreak() {
    const BreakBefore taken = next_break_;
    next_break_ = BreakBefore::kNone;
    return taken;
}

void WordWriter::Push(std::string xml, bool paragraph) {
    body_ << pending_;
    pending_ = std::move(xml);
    pending_paragraph_ = paragraph;
    pending_section_ = false;
}

void WordWriter::Emit(std::string xml, bool paragraph) {
    Push(std::move(xml), paragraph);
    ++emitted_;
}

// A section that starts a page starts its numbers at the PDF's; a section that starts within a
// page goes on from the one before, so that no word processor breaks the page for it.
std::string WordWriter::SectionEndXml() const {
    std::optional<SectionPageNumbers> numbers;
    if (page_numbering_) {
        const bool starts_page = section_start_ == SectionStart::kNextPage;
        numbers =
            SectionPageNumbers{page_numbering_->style,
                               starts_page ? section_first_page_ + page_numbering_->offset : -1};
    }
    return SectionXml(*section_, section_start_, running_ids_, numbers);
}

void WordWriter::CloseSection() {
    const std::string section = SectionEndXml();
    if (pending_paragraph_ && !pending_section_) {
        pending_.insert(pending_.find("</w:pPr>"), section);
    } else {
        // After a table: a paragraph that takes no room, so that a full page stays one page.
        std::string closing = SpacerParagraphXml(BreakBefore::kNone);
        closing.insert(closing.find("</w:pPr>"), section);
        Push(std::move(closing), true);
    }
    pending_section_ = true;
}

void WordWriter::EnterLayout(const SectionLayout& layout, bool new_page) {
    if (!section_) {
        section_ = layout;
        section_start_ = SectionStart::kNextPage;
        section_first_page_ = page_index_;
        return;
    }
    if (*section_ == layout) {
        if (new_page)
            next_break_ = BreakBefore::kPage;
        return;
    }
    CloseSection();
    section_ = layout;
    section_first_page_ = page_index_;
    // A page whose first band showed nothing still starts on a page of its own.
    const bool page_pending = new_page || next_break_ == BreakBefore::kPage;
    section_start_ = page_pending ? SectionStart::kNextPage : SectionStart::kContinuous;
    next_break_ = BreakBefore::kNone;
}

bool WordWriter::AddPage(const Page& page, std::string* error) {
    if (finished_) {
        *error = "the document is already finished";
        return false;
    }
    ++pages_;
    page_index_ = page.index;
    const long emitted_before = emitted_;
    if (page.page_image)
        return WritePageImage(page, error) && Streamed(error);
    SectionLayout layout = PageSectionLayout(page);
    layout.even_page = running_ids_.Spreads() && IsEvenPage(page.index, page_numbering_);
    if (!AddOwnRunningParts(page, &layout, error))
        return false;
    bool new_page = true;
    for (const Region& region : page.regions) {
        if (region.blocks.empty())
            continue;
        if (!WriteRegion(region, layout, new_page, error))
            return false;
        new_page = false;
    }
    if (emitted_ == emitted_before) {
        // A page with nothing to show still takes its page.
        if (new_page)
            EnterLayout(layout, true);
        Emit(SpacerParagraphXml(TakeBreak()), true);
    }
    return Streamed(error);
}

bool WordWriter::WriteRegion(const Region& region, const SectionLayout& page_layout, bool new_page,
                             std::string* error) {
    const SectionLayout layout = WithColumns(page_layout, region.columns, region.column_gap);
    EnterLayout(layout, new_page);
    int column = 0;
    for (const Block& block : region.blocks) {
        const int block_column = ColumnOf(BoxOf(block), layout);
        if (block_column > column && next_break_ == BreakBefore::kNone)
            next_break_ = BreakBefore::kColumn;
        column = std::max(column, block_column);
        if (!WriteBlock(block, layout, column, error))
            return false;
    }
    // A column break no block took would become a page break in the next band.
    if (next_break_ == BreakBefore::kColumn)
        next_break_ = BreakBefore::kNone;
    return true;
}

bool WordWriter::WriteBlock(const Block& block, const SectionLayout& layout, int column,
                            std::string* error) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
        Emit(ParagraphXml(*paragraph, TakeBreak(), context_), true);
        return true;
    }
    if (const auto* table = std::get_if<Table>(&block)) {
        const double indent = IndentIn(table->box, layout, column, layout.ColumnWidth() / 2);
        WriteTable(*table, indent, layout.ColumnWidth() - indent);
        return true;
    }
    const Image& image = std::get<Image>(block);
    double width = image.box.Width();
    double height = image.box.Height();
    if (!(width > 0 && height > 0)) {
        width = image.pixel_width * kPointsPerPixel;
        height = image.pixel_height * kPointsPerPixel;
    }
    if (!(width > 0 && height > 0))
        return true;
    const double scale = std::min(
        {1.0, layout.ColumnWidth() / width, (layout.TextHeight() - kPictureSlack) / height});
    width *= scale;
    height *= scale;
    return WritePicture(image, IndentIn(image.box, layout, column, width), width, height, error);
}

void WordWriter::WriteTable(const Table& table, double indent, double width) {
    std::string xml = TableXml(table, indent, width, context_);
    if (xml.empty())
        return;
    // Word joins tables that touch, and a break needs a paragraph to carry it.
    const bool after_table = !pending_.empty() && !pending_paragraph_;
    if (after_table || next_break_ != BreakBefore::kNone)
        Emit(SpacerParagraphXml(TakeBreak()), true);
    Emit(std::move(xml), false);
}

bool WordWriter::WritePicture(const Image& image, double indent, double width, double height,
                              std::string* error) {
    std::string run;
    if (!pictures_.Add(image, width, height, &run, error))
        return false;
    if (!run.empty())
        Emit(PictureParagraphXml(run, indent, TakeBreak()), true);
    return true;
}

bool WordWriter::WritePageImage(const Page& page, std::string* error) {
    const SectionLayout layout = BarePageLayout(page);
    EnterLayout(layout, true);
    const double height = layout.height - kPictureSlack;
    const double width = layout.width * height / layout.height;
    const long emitted_before = emitted_;
    if (!WritePicture(*page.page_image, (layout.width - width) / 2, width, height, error))
        return false;
    if (emitted_ == emitted_before)
        Emit(SpacerParagraphXml(TakeBreak()), true);
    return true;
}

bool WordWriter::Streamed(std::string* error) {
    relationships_file_ << relationships_.Drain();
    if (body_ && relationships_file_)
        return true;
    *error = "cannot write to the work folder " + scratch_.string();
    return false;
}

bool WordWriter::Finish(std::string* error) {
    if (finished_) {
        *error = "the document is already finished";
        return false;
    }
    finished_ = true;
    if (!section_) {
        section_ = SectionLayout{};
        Emit(SpacerParagraphXml(BreakBefore::kNone), true);
    }
    // Word wants the body to end with a paragraph.
    if (!pending_paragraph_)
        Emit(SpacerParagraphXml(BreakBefore::kNone), true);
    body_ << pending_ << SectionEndXml() << "</w:body></w:document>";
    relationships_file_ << relationships_.Drain() << WordRelationships::kXmlEnd;
    body_.close();
    relationships_file_.close();
    if (!body_ || !relationships_file_) {
        *error = "cannot write to the work folder " + scratch_.string();
        return false;
    }
    return package_->AddPartFromFile("word/document.xml", kWordMainType, scratch_ / "document.xml",
                                     error) &&
           package_->AddPartFromFile("word/_rels/document.xml.rels", "",
                                     scratch_ / "document.xml.rels", error) &&
           package_->AddPart("word/styles.xml", WordPartType("styles"),
                             StylesPartXml(fonts_.NormalFamily(), fonts_.NormalHalfPoints()),
                             error) &&
           package_->AddPart("word/numbering.xml", WordPartType("numbering"), numbering_.PartXml(),
                             error) &&
           package_->AddPart("word/settings.xml", WordPartType("settings"), SettingsPartXml(),
                             error) &&
           package_->AddPart("word/fontTable.xml", WordPartType("fontTable"), fonts_.TablePartXml(),
                             error) &&
           package_->AddPart("docProps/core.xml",
                             "application/vnd.openxmlformats-package.core-properties+xml",
                             CorePropertiesXml(), error) &&
           package_->AddPart(
               "docProps/app.xml",
               "application/vnd.openxmlformats-officedocument.extended-properties+xml",
               AppPropertiesXml(pages_), error) &&
           package_->AddPart("_rels/.rels", "", PackageRelationshipsXml(), error) &&
           package_->Finish(error);
}

}  // namespace reconstruct
