#pragma once

#include <json/value.h>
#include <mupdf/fitz.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "quire-mupdf/MupdfContext.h"

namespace convcore {

class TaskContext;

// MuPDF reports failures with a longjmp, which skips C++ destructors: `work` may call MuPDF and
// assign to variables of its caller, but must not create objects that need destroying.
template <typename Work>
bool CatchMupdf(fz_context* context, Work&& work, std::string* error) {
    fz_try(context) {
        work();
    }
    fz_catch(context) {
        *error = fz_caught_message(context);
        return false;
    }
    return true;
}

// Owns one MuPDF object; MuPDF's drop functions never throw, so they may run in a destructor.
template <typename T, void (*Drop)(fz_context*, T*)>
class FzHandle {
public:
    explicit FzHandle(fz_context* context, T* object = nullptr)
        : context_(context), object_(object) {}
    ~FzHandle() { Drop(context_, object_); }
    FzHandle(const FzHandle&) = delete;
    FzHandle& operator=(const FzHandle&) = delete;

    T* Get() const { return object_; }
    // For CatchMupdf lambdas that create the object.
    T*& Slot() { return object_; }

private:
    fz_context* context_;
    T* object_;
};

using PageHandle = FzHandle<fz_page, fz_drop_page>;
using PixmapHandle = FzHandle<fz_pixmap, fz_drop_pixmap>;
using DeviceHandle = FzHandle<fz_device, fz_drop_device>;
using DisplayListHandle = FzHandle<fz_display_list, fz_drop_display_list>;
using StextPageHandle = FzHandle<fz_stext_page, fz_drop_stext_page>;
using OutputHandle = FzHandle<fz_output, fz_drop_output>;
using ImageHandle = FzHandle<fz_image, fz_drop_image>;

// A PDF opened for one task on the task's thread, with its own MuPDF context.
class RenderDocument {
public:
    // Enough for a large scanned page decoded at once; the resource store may hold a quarter.
    static constexpr std::size_t kDefaultMemoryLimit = std::size_t{768} << 20;

    // Nullptr with the reason in `error`. A missing or wrong password gives a reason that
    // starts with "Invalid password", which the program shows as a password problem.
    static std::unique_ptr<RenderDocument> Open(const std::filesystem::path& file,
                                                const std::string& password, std::string* error,
                                                std::size_t memory_limit = kDefaultMemoryLimit);

    fz_context* Context() const { return mupdf_->Get(); }
    fz_document* Document() const { return document_; }
    int PageCount() const { return page_count_; }
    // The file name without its extension, for naming outputs.
    const std::string& Title() const { return title_; }

    // `index` is 0-based; the page is null when it cannot be loaded, with the reason.
    bool LoadPage(int index, PageHandle* page, std::string* error) const;

    ~RenderDocument();
    RenderDocument(const RenderDocument&) = delete;
    RenderDocument& operator=(const RenderDocument&) = delete;

private:
    RenderDocument(std::unique_ptr<quiremupdf::MupdfContext> mupdf, std::string title);

    std::unique_ptr<quiremupdf::MupdfContext> mupdf_;
    fz_document* document_ = nullptr;
    int page_count_ = 0;
    std::string title_;
};

// The record's "pages" (1-based) as 0-based indexes in the order given; every page when the
// record has none. False with the reason for an empty list or a page outside the document.
bool ChoosePages(const Json::Value& record, int page_count, std::vector<int>* pages,
                 std::string* error);

// The record's "source_path" opened with its "password", and its chosen pages; nullptr with
// the reason in `error` when either fails.
std::unique_ptr<RenderDocument> OpenRecordSource(
    const Json::Value& record, std::vector<int>* pages, std::string* error,
    std::size_t memory_limit = RenderDocument::kDefaultMemoryLimit);

// A MuPDF cookie that aborts the page being interpreted once the task is cancelled, so that a
// slow page does not hold a cancelled task. A watcher thread polls the task.
class CancelCookie {
public:
    explicit CancelCookie(const TaskContext& task);
    ~CancelCookie();
    CancelCookie(const CancelCookie&) = delete;
    CancelCookie& operator=(const CancelCookie&) = delete;

    fz_cookie* Get() { return &cookie_; }
    bool Cancelled();

private:
    const TaskContext& task_;
    // `abort` is written by the watcher (atomically) and read by MuPDF on the task thread.
    fz_cookie cookie_{};
    std::jthread watcher_;
};

}  // namespace convcore
