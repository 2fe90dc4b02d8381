#include "convcore/RenderText.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "convcore/RecordFields.h"
#include "convcore/RenderDocument.h"
#include "convcore/RenderOutputs.h"
#include "platform/Format.h"

namespace convcore {
namespace {

bool ExtractPage(fz_context* context, fz_page* page, int flags, fz_cookie* cookie,
                 StextPageHandle* text, std::string* error) {
    DeviceHandle device(context);
    return CatchMupdf(
        context,
        [&] {
            text->Slot() = fz_new_stext_page(context, fz_bound_page(context, page));
            const fz_stext_options options{flags, 1};
            device.Slot() = fz_new_stext_device(context, text->Get(), &options);
            fz_run_page(context, page, device.Get(), fz_identity, cookie);
            fz_close_device(context, device.Get());
        },
        error);
}

void AppendUtf8(std::string* text, int rune) {
    char bytes[FZ_UTFMAX];
    text->append(bytes, static_cast<std::size_t>(fz_runetochar(bytes, rune)));
}

// Lines end with "\n"; text blocks are separated by an empty line.
std::string PlainText(const fz_stext_page* page) {
    std::string text;
    for (const fz_stext_block* block = page->first_block; block != nullptr; block = block->next) {
        if (block->type != FZ_STEXT_BLOCK_TEXT)
            continue;
        if (!text.empty())
            text += '\n';
        for (const fz_stext_line* line = block->u.t.first_line; line != nullptr;
             line = line->next) {
            for (const fz_stext_char* c = line->first_char; c != nullptr; c = c->next)
                AppendUtf8(&text, c->c);
            text += '\n';
        }
    }
    return text;
}

std::string EscapeHtml(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

bool WriteText(fz_context* context, fz_output* output, const std::string& text,
               std::string* error) {
    return CatchMupdf(
        context, [&] { fz_write_data(context, output, text.data(), text.size()); }, error);
}

// The charset is declared: without it browsers guess, and Chinese text comes out garbled.
std::string HtmlHeader(const std::string& title) {
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           EscapeHtml(title) +
           "</title>\n<style>\n"
           "body{background-color:slategray}\n"
           "div{position:relative;background-color:white;margin:1em auto;"
           "box-shadow:1px 1px 8px -2px black}\n"
           "p{position:absolute;white-space:pre;margin:0}\n"
           "</style>\n</head>\n<body>\n";
}

constexpr char kHtmlTrailer[] = "</body>\n</html>\n";

// MuPDF writes every character beyond ASCII as a numeric reference ("&#x4e2d;"). The file is
// UTF-8 anyway, and text kept as itself stays searchable and a third of the size.
std::string WithCharactersAsThemselves(std::string_view html) {
    std::string text;
    text.reserve(html.size());
    std::size_t done = 0;
    for (std::size_t at = html.find("&#x"); at != std::string_view::npos;
         at = html.find("&#x", at + 1)) {
        const std::size_t end = html.find(';', at);
        if (end == std::string_view::npos || end - at > 9)
            continue;
        unsigned rune = 0;
        const auto parsed = std::from_chars(html.data() + at + 3, html.data() + end, rune, 16);
        const bool plain = parsed.ptr == html.data() + end && rune >= 0x80 && rune <= 0x10FFFF &&
                           (rune < 0xD800 || rune > 0xDFFF);
        if (!plain)
            continue;
        text.append(html.substr(done, at - done));
        AppendUtf8(&text, static_cast<int>(rune));
        done = end + 1;
    }
    text.append(html.substr(done));
    return text;
}

// The page as MuPDF writes it, with its characters as themselves.
bool WriteHtmlPage(fz_context* context, fz_output* output, int number, fz_stext_page* text,
                   std::string* error) {
    FzHandle<fz_buffer, fz_drop_buffer> buffer(context);
    OutputHandle page_output(context);
    unsigned char* data = nullptr;
    std::size_t size = 0;
    if (!CatchMupdf(
            context,
            [&] {
                buffer.Slot() = fz_new_buffer(context, 64 * 1024);
                page_output.Slot() = fz_new_output_with_buffer(context, buffer.Get());
                fz_print_stext_page_as_html(context, page_output.Get(), text, number);
                fz_close_output(context, page_output.Get());
                size = fz_buffer_storage(context, buffer.Get(), &data);
            },
            error))
        return false;
    return WriteText(context, output,
                     WithCharactersAsThemselves({reinterpret_cast<const char*>(data), size}),
                     error);
}

// What a text conversion writes for one page: `position` counts the pages written before it,
// `number` is the page's own number (1-based).
using PageWriter = std::function<bool(fz_context* context, fz_output* output, int position,
                                      int number, fz_stext_page* text, std::string* error)>;

struct TextJob {
    int flags = 0;
    std::string header;
    std::string trailer;
    PageWriter write_page;
};

bool WritePages(const RenderDocument& document, const std::vector<int>& pages, const TextJob& job,
                fz_output* output, TaskContext& task, std::string* error) {
    fz_context* context = document.Context();
    CancelCookie cookie(task);
    if (!WriteText(context, output, job.header, error))
        return false;
    for (std::size_t done = 0; done < pages.size(); ++done) {
        PageHandle page(context);
        StextPageHandle text(context);
        if (!document.LoadPage(pages[done], &page, error) ||
            !ExtractPage(context, page.Get(), job.flags, cookie.Get(), &text, error))
            return false;
        if (cookie.Cancelled()) {
            *error = "cancelled";
            return false;
        }
        if (!job.write_page(context, output, static_cast<int>(done), pages[done] + 1, text.Get(),
                            error))
            return false;
        task.SetProgress(static_cast<int>((done + 1) * 100 / pages.size()));
    }
    return WriteText(context, output, job.trailer, error) &&
           CatchMupdf(
               context, [&] { fz_close_output(context, output); }, error);
}

TaskOutcome RunTextJob(const Json::Value& record, const TextJob& job, TaskContext& task) {
    std::string error;
    std::vector<int> pages;
    const auto document = OpenRecordSource(record, &pages, &error);
    if (document == nullptr)
        return TaskOutcome::Failure(error);
    const std::filesystem::path target = TextField(record, "target_path");
    OutputFolder folder(target.parent_path());
    if (!PrepareOutputFile(target, folder, &error))
        return TaskOutcome::Failure(error);
    PendingOutput pending(target);
    fz_context* context = document->Context();
    OutputHandle output(context);
    if (!CatchMupdf(
            context,
            [&] {
                output.Slot() = fz_new_output_with_path(context, pending.WorkPath().c_str(), 0);
            },
            &error))
        return TaskOutcome::Failure(error);
    if (!WritePages(*document, pages, job, output.Get(), task, &error) || !pending.Commit(&error))
        return TaskOutcome::Failure(task.IsCancelled() ? "cancelled" : error);
    folder.Keep();
    return TaskOutcome::Success();
}

}  // namespace

TaskOutcome ConvertPdfToText(const Json::Value& record, TaskContext& context) {
    TextJob job;
    job.write_page = [](fz_context* mupdf, fz_output* output, int position, int,
                        fz_stext_page* text, std::string* error) {
        const std::string page_text = PlainText(text);
        return WriteText(mupdf, output, position == 0 ? page_text : "\f" + page_text, error);
    };
    return RunTextJob(record, job, context);
}

TaskOutcome ConvertPdfToHtml(const Json::Value& record, TaskContext& context) {
    TextJob job;
    job.flags = FZ_STEXT_PRESERVE_IMAGES;
    job.header = HtmlHeader(std::filesystem::path(TextField(record, "source_path")).stem());
    job.trailer = kHtmlTrailer;
    job.write_page = [](fz_context* mupdf, fz_output* output, int, int number, fz_stext_page* text,
                        std::string* error) {
        return WriteHtmlPage(mupdf, output, number, text, error);
    };
    return RunTextJob(record, job, context);
}

}  // namespace convcore
