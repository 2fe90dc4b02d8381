#include "quire-mupdf/PdfFacts.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <string_view>

#include "PageContent.h"
#include "quire-mupdf/MupdfContext.h"

namespace quiremupdf {
namespace {

using Clock = std::chrono::steady_clock;

// Larger values are nonsense from a broken file; they must not overflow the integers we send.
constexpr float kMaxPageSide = 1e7f;
constexpr float kMaxUserUnit = 75000.0f;

struct Source {
    const std::filesystem::path* file = nullptr;
    std::span<const unsigned char> data;
};

// A page tree whose pages keep failing to load lies about its size (a hostile /Count): the walk
// stops there instead of trying every promised page.
constexpr int kMaxFailedPagesInARow = 64;

// What the page walk learns.
struct Tally {
    int loaded = 0;
    int scanned = 0;  // pages whose content ran to the end
    bool broken_tree = false;
    int image_pages = 0;
    int drawing_pages = 0;
    int other_pages = 0;
    float max_width = 0;
    float max_height = 0;
    float max_user_unit = 1;
    bool cancelled = false;
};

bool Cancelled(const PdfFactOptions& options) {
    return options.cancelled && options.cancelled();
}

pdf_document* OpenDocument(fz_context* context, const Source& source, std::string* error) {
    fz_stream* stream = nullptr;
    pdf_document* document = nullptr;
    fz_var(stream);
    fz_var(document);
    fz_try(context) {
        if (source.file != nullptr)
            stream = fz_open_file(context, source.file->c_str());
        else
            stream = fz_open_memory(context, source.data.data(), source.data.size());
        document = pdf_open_document_with_stream(context, stream);
    }
    fz_always(context) {
        fz_drop_stream(context, stream);
    }
    fz_catch(context) {
        *error = fz_caught_message(context);
        return nullptr;
    }
    return document;
}

bool Authenticate(fz_context* context, pdf_document* document, const std::string& password) {
    int granted = 0;
    fz_var(granted);
    fz_try(context) {
        granted = pdf_authenticate_password(context, document, password.c_str());
    }
    fz_catch(context) {
        granted = 0;
    }
    return granted != 0;
}

int CountPages(fz_context* context, pdf_document* document) {
    int count = -1;
    fz_var(count);
    fz_try(context) {
        count = pdf_count_pages(context, document);
    }
    fz_catch(context) {
        count = -1;
    }
    return count > 0 ? count : -1;
}

pdf_page* LoadPage(fz_context* context, pdf_document* document, int number) {
    pdf_page* page = nullptr;
    fz_var(page);
    fz_try(context) {
        page = pdf_load_page(context, document, number);
    }
    fz_catch(context) {
        page = nullptr;
    }
    return page;
}

void Measure(fz_context* context, pdf_page* page, Tally* tally) {
    fz_rect bounds = fz_empty_rect;
    float user_unit = 1;
    fz_var(bounds);
    fz_var(user_unit);
    fz_try(context) {
        bounds = pdf_bound_page(context, page);
        user_unit = pdf_dict_get_real(context, page->obj, PDF_NAME(UserUnit));
    }
    fz_catch(context) {
        return;
    }
    if (!(user_unit > 0 && user_unit <= kMaxUserUnit))
        user_unit = 1;
    // MuPDF's page bounds already count the UserUnit.
    const float width = bounds.x1 - bounds.x0;
    const float height = bounds.y1 - bounds.y0;
    if (width < kMaxPageSide && height < kMaxPageSide) {
        tally->max_width = std::max(tally->max_width, width);
        tally->max_height = std::max(tally->max_height, height);
    }
    tally->max_user_unit = std::max(tally->max_user_unit, user_unit);
}

void Judge(const PageContent& content, Tally* tally) {
    ++tally->scanned;
    switch (ClassifyPage(content)) {
        case PageKind::kBlank:
            break;
        case PageKind::kImageOnly:
            ++tally->image_pages;
            break;
        case PageKind::kDrawing:
            ++tally->drawing_pages;
            break;
        case PageKind::kOther:
            ++tally->other_pages;
            break;
    }
}

// Whether the pages not yet judged can still change an answer. A drawing is a CAD drawing
// when most of its judged pages are drawings; once even `remaining` more pages of one kind
// cannot tip that, and a page that is no scan has been seen, the rest need no interpreting.
bool JudgementSettled(const Tally& tally, int remaining, bool check_image_pdf, bool cad_named) {
    const int judged = tally.image_pages + tally.drawing_pages + tally.other_pages;
    const bool scan_settled = !check_image_pdf || tally.image_pages < judged;
    const int drawing_lead = 2 * tally.drawing_pages - judged;
    const bool cad_settled = cad_named || drawing_lead > remaining || drawing_lead + remaining <= 0;
    return scan_settled && cad_settled;
}

void ReportProgress(const PdfFactOptions& options, int done, int count, int* last) {
    const int percent = static_cast<int>(static_cast<long long>(done) * 100 / count);
    if (options.progress && percent != *last)
        options.progress(percent);
    *last = percent;
}

Tally WalkPages(fz_context* context, pdf_document* document, int count,
                const PdfFactOptions& options, bool cad_named) {
    Tally tally;
    const auto start = Clock::now();
    const auto content_deadline = start + options.content_budget;
    const auto total_deadline = start + options.total_budget;
    const std::function<bool()> stop_content = [&] {
        return Clock::now() > content_deadline || Cancelled(options);
    };
    int last_progress = -1;
    int failed_in_a_row = 0;
    for (int number = 0; number < count && Clock::now() <= total_deadline; ++number) {
        if (Cancelled(options)) {
            tally.cancelled = true;
            break;
        }
        pdf_page* page = LoadPage(context, document, number);
        failed_in_a_row = page != nullptr ? 0 : failed_in_a_row + 1;
        if (failed_in_a_row == kMaxFailedPagesInARow) {
            tally.broken_tree = true;
            break;
        }
        if (page != nullptr) {
            ++tally.loaded;
            Measure(context, page, &tally);
            const bool settled =
                JudgementSettled(tally, count - number, options.check_image_pdf, cad_named);
            if (!settled && Clock::now() <= content_deadline) {
                const PageContent content = ScanPageContent(context, page, stop_content);
                if (content.complete)
                    Judge(content, &tally);
            }
            fz_drop_page(context, &page->super);
        }
        ReportProgress(options, number + 1, count, &last_progress);
    }
    return tally;
}

std::string Metadata(fz_context* context, pdf_document* document, const char* key) {
    std::array<char, 256> value{};
    int length = -1;
    fz_var(length);
    fz_try(context) {
        length = fz_lookup_metadata(context, &document->super, key, value.data(), value.size());
    }
    fz_catch(context) {
        length = -1;
    }
    return length > 0 ? std::string(value.data()) : std::string();
}

// Drawings exported from CAD programs name them in Producer or Creator: a word ending in "cad"
// (most CAD products and "CAD" itself), the drawing formats, or a few products that do not.
bool NamesCadProgram(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (std::size_t at = text.find("cad"); at != std::string::npos;
         at = text.find("cad", at + 1)) {
        const std::size_t after = at + 3;
        if (after == text.size() || !std::isalpha(static_cast<unsigned char>(text[after])))
            return true;
    }
    constexpr std::array<std::string_view, 7> kNames = {
        "dwg", "dxf", "microstation", "solidworks", "catia", "revit", "draftsight"};
    return std::any_of(kNames.begin(), kNames.end(),
                       [&](std::string_view name) { return text.find(name) != std::string::npos; });
}

void FillFromTally(const Tally& tally, const PdfFactOptions& options, bool cad_metadata,
                   PdfFacts* facts) {
    facts->max_width = static_cast<int>(std::lround(tally.max_width));
    facts->max_height = static_cast<int>(std::lround(tally.max_height));
    facts->max_scale = static_cast<int>(std::lround(100 * tally.max_user_unit));
    const int judged = tally.image_pages + tally.drawing_pages + tally.other_pages;
    // Empty pages count for nothing; a document of only empty pages is no scan.
    if (options.check_image_pdf && tally.scanned > 0)
        facts->is_image_pdf = judged > 0 && tally.image_pages == judged ? 1 : 0;
    facts->can_to_cad = cad_metadata || 2 * tally.drawing_pages > judged ? 1 : 0;
}

void ReadOpened(fz_context* context, pdf_document* document, const PdfFactOptions& options,
                PdfFacts* facts) {
    facts->is_encrypted = pdf_needs_password(context, document) ? 1 : 0;
    const bool opens =
        facts->is_encrypted == 0 || Authenticate(context, document, options.password);
    facts->password_ok = opens ? 1 : 0;
    facts->is_unreadable = 0;
    if (!opens)
        return;
    const int count = CountPages(context, document);
    const bool cad_named = NamesCadProgram(Metadata(context, document, FZ_META_INFO_PRODUCER) +
                                           " " + Metadata(context, document, FZ_META_INFO_CREATOR));
    const Tally tally =
        count > 0 ? WalkPages(context, document, count, options, cad_named) : Tally{};
    facts->cancelled = tally.cancelled;
    if (tally.cancelled)
        return;
    if (count <= 0 || tally.loaded == 0 || tally.broken_tree) {
        facts->is_unreadable = 1;
        facts->error = count <= 0 ? "the document has no pages" : "its pages cannot be loaded";
        return;
    }
    facts->page_count = count;
    FillFromTally(tally, options, cad_named, facts);
}

PdfFacts Read(const Source& source, const PdfFactOptions& options) {
    PdfFacts facts;
    const auto mupdf = MupdfContext::Create();
    if (!mupdf) {
        facts.error = "the PDF engine cannot start";
        return facts;
    }
    fz_context* context = mupdf->Get();
    pdf_document* document = OpenDocument(context, source, &facts.error);
    if (document == nullptr) {
        facts.is_unreadable = 1;
        return facts;
    }
    ReadOpened(context, document, options, &facts);
    pdf_drop_document(context, document);
    return facts;
}

}  // namespace

PdfFacts ReadPdfFacts(const std::filesystem::path& file, const PdfFactOptions& options) {
    return Read(Source{&file, {}}, options);
}

PdfFacts ReadPdfFacts(std::span<const unsigned char> data, const PdfFactOptions& options) {
    return Read(Source{nullptr, data}, options);
}

int CountPdfPages(const std::filesystem::path& file) {
    const auto mupdf = MupdfContext::Create();
    if (!mupdf)
        return -1;
    std::string error;
    pdf_document* document = OpenDocument(mupdf->Get(), Source{&file, {}}, &error);
    if (document == nullptr)
        return -1;
    const int count =
        pdf_needs_password(mupdf->Get(), document) ? -1 : CountPages(mupdf->Get(), document);
    pdf_drop_document(mupdf->Get(), document);
    return count;
}

}  // namespace quiremupdf
