#include "convcore/RenderDocument.h"

#include <mupdf/pdf.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

#include "convcore/RecordFields.h"
#include "convcore/TaskContext.h"
#include "platform/Format.h"

namespace convcore {
namespace {

constexpr std::chrono::milliseconds kCancelPoll{50};

std::string FileName(const std::filesystem::path& file) {
    return file.filename().string();
}

bool Unlock(fz_context* context, fz_document* document, const std::string& password,
            const std::filesystem::path& file, std::string* error) {
    int needs = 0;
    int granted = 0;
    std::string ignored;
    if (!CatchMupdf(
            context, [&] { needs = fz_needs_password(context, document); }, &ignored))
        needs = 1;
    if (needs == 0)
        return true;
    if (password.empty()) {
        *error = "Invalid password: " + FileName(file) + " needs a password to open";
        return false;
    }
    CatchMupdf(
        context, [&] { granted = fz_authenticate_password(context, document, password.c_str()); },
        &ignored);
    if (granted == 0) {
        *error = "Invalid password: the password does not open " + FileName(file);
        return false;
    }
    return true;
}

}  // namespace

RenderDocument::RenderDocument(std::unique_ptr<quiremupdf::MupdfContext> mupdf, std::string title)
    : mupdf_(std::move(mupdf)), title_(std::move(title)) {}

RenderDocument::~RenderDocument() {
    fz_drop_document(Context(), document_);
}

std::unique_ptr<RenderDocument> RenderDocument::Open(const std::filesystem::path& file,
                                                     const std::string& password,
                                                     std::string* error, std::size_t memory_limit) {
    std::error_code failure;
    if (file.empty() || !std::filesystem::is_regular_file(file, failure)) {
        *error = "file not found: " + file.string();
        return nullptr;
    }
    auto mupdf = quiremupdf::MupdfContext::Create(memory_limit);
    if (mupdf == nullptr) {
        *error = "the PDF engine cannot start";
        return nullptr;
    }
    std::unique_ptr<RenderDocument> document(
        new RenderDocument(std::move(mupdf), file.stem().string()));
    fz_context* context = document->Context();
    std::string reason;
    // Opened as a PDF whatever the file is called; anything else fails here.
    const bool opened = CatchMupdf(
        context, [&] { document->document_ = &pdf_open_document(context, file.c_str())->super; },
        &reason);
    if (!opened) {
        *error = platform::Format("cannot open %s: %s", FileName(file), reason);
        return nullptr;
    }
    if (!Unlock(context, document->document_, password, file, error))
        return nullptr;
    int count = 0;
    if (!CatchMupdf(
            context, [&] { count = fz_count_pages(context, document->document_); }, &reason)) {
        *error = platform::Format("cannot read the pages of %s: %s", FileName(file), reason);
        return nullptr;
    }
    if (count <= 0) {
        *error = FileName(file) + " has no pages";
        return nullptr;
    }
    document->page_count_ = count;
    return document;
}

bool RenderDocument::LoadPage(int index, PageHandle* page, std::string* error) const {
    std::string reason;
    fz_context* context = Context();
    if (CatchMupdf(
            context, [&] { page->Slot() = fz_load_page(context, document_, index); }, &reason))
        return true;
    *error = platform::Format("cannot load page %d: %s", index + 1, reason);
    return false;
}

bool ChoosePages(const Json::Value& record, int page_count, std::vector<int>* pages,
                 std::string* error) {
    pages->clear();
    const Json::Value* chosen = record.isObject() ? record.find("pages", "pages" + 5) : nullptr;
    if (chosen == nullptr || chosen->isNull()) {
        for (int index = 0; index < page_count; ++index)
            pages->push_back(index);
        return true;
    }
    if (!chosen->isArray() || chosen->empty()) {
        *error = "no pages chosen";
        return false;
    }
    for (const Json::Value& entry : *chosen) {
        if (!entry.isInt()) {
            *error = "the page list holds something other than page numbers";
            return false;
        }
        const int number = entry.asInt();
        if (number < 1 || number > page_count) {
            *error =
                platform::Format("page %d is not in the document (%d pages)", number, page_count);
            return false;
        }
        pages->push_back(number - 1);
    }
    return true;
}

CancelCookie::CancelCookie(const TaskContext& task) : task_(task) {
    watcher_ = std::jthread([this](std::stop_token stop) {
        std::mutex mutex;  // only for the bounded wait below
        std::condition_variable_any wake;
        std::unique_lock lock(mutex);
        while (!stop.stop_requested()) {
            if (task_.IsCancelled()) {
                std::atomic_ref<int>(cookie_.abort).store(1);
                return;
            }
            wake.wait_for(lock, stop, kCancelPoll, [] { return false; });
        }
    });
}

CancelCookie::~CancelCookie() {
    watcher_.request_stop();
    watcher_.join();
}

bool CancelCookie::Cancelled() {
    return task_.IsCancelled() || std::atomic_ref<int>(cookie_.abort).load() != 0;
}

std::unique_ptr<RenderDocument> OpenRecordSource(const Json::Value& record, std::vector<int>* pages,
                                                 std::string* error, std::size_t memory_limit) {
    auto document = RenderDocument::Open(TextField(record, "source_path"),
                                         TextField(record, "password"), error, memory_limit);
    if (document == nullptr || !ChoosePages(record, document->PageCount(), pages, error))
        return nullptr;
    return document;
}

}  // namespace convcore
