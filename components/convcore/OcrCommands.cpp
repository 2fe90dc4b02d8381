#include "convcore/OcrCommands.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "convcore/PdfToOfficeCommands.h"
#include "convcore/PictureJpeg.h"
#include "convcore/RecordFields.h"
#include "convcore/RenderDocument.h"
#include "reconstruct/OcrEngine.h"
#include "reconstruct/OcrPictureFile.h"
#include "reconstruct/OcrPlainText.h"
#include "reconstruct/OcrRecognition.h"

namespace convcore {
namespace {

namespace fs = std::filesystem;

// PDF readers accept the signature anywhere in the first kilobyte.
constexpr std::size_t kPdfSignatureWindow = 1024;
// Between the pages of a text output, as printers and pagers know it.
constexpr char kPageSeparator = '\f';

bool IsPdf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string head(kPdfSignatureWindow, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
    return head.find("%PDF-") != std::string::npos;
}

std::string LanguagesOf(const Json::Value& record) {
    const std::string languages = TextField(record, "languages");
    return languages.empty() ? reconstruct::kDefaultOcrLanguages : languages;
}

std::vector<unsigned char> FileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The pages of a picture file (the frames of a multi-page TIFF), each recognised.
class PicturePages : public RebuiltPages {
public:
    // Nullptr with the reason when the file is no picture that can be read or the chosen pages
    // are not in it.
    static std::unique_ptr<PicturePages> Open(const Json::Value& record, TaskContext& task,
                                              std::string* error) {
        const fs::path file = TextField(record, "source_path");
        std::string reason;
        const int count = reconstruct::PicturePageCount(file, &reason);
        if (count <= 0) {
            *error = "cannot read picture: " + reason;
            return nullptr;
        }
        std::vector<int> pages;
        if (!ChoosePages(record, count, &pages, error))
            return nullptr;
        return std::unique_ptr<PicturePages>(
            new PicturePages(file, std::move(pages), LanguagesOf(record), task));
    }

    std::size_t Count() const override { return pages_.size(); }
    reconstruct::RunningText Running() override { return {}; }

    bool Rebuild(std::size_t n, const std::function<void(int)>& page_progress,
                 reconstruct::Page* page, std::string* error) override {
        const int index = pages_[n];
        reconstruct::OcrPicture picture;
        std::string reason;
        if (!reconstruct::ReadPicturePage(file_, index, read_options_, &picture, &reason)) {
            *error = "cannot read picture: " + reason;
            return false;
        }
        if (engine_ == nullptr)
            engine_ = reconstruct::OcrEngine::Create(languages_, error);
        if (engine_ == nullptr)
            return false;
        const double scale = 72.0 / picture.Dpi();
        const reconstruct::OcrPageFrame frame{index, picture.Width() * scale,
                                              picture.Height() * scale, scale};
        reconstruct::OcrOptions options;
        options.cancelled = [this] { return task_.IsCancelled(); };
        options.progress = page_progress;
        const auto page_picture = [&](reconstruct::Image* image, std::string* failure) {
            return PictureImage(picture, image, failure);
        };
        reconstruct::RecognisedPage recognised;
        if (!reconstruct::RecognisePicture(*engine_, picture, frame, options, page_picture,
                                           &recognised, error))
            return false;
        if (!recognised.has_text)
            AddNote(index, recognised.note);
        *page = std::move(recognised.page);
        return true;
    }

    // What the task says besides success: the pages that kept their picture, and why.
    const std::string& Notes() const { return notes_; }

private:
    PicturePages(fs::path file, std::vector<int> pages, std::string languages, TaskContext& task)
        : file_(std::move(file)),
          pages_(std::move(pages)),
          languages_(std::move(languages)),
          task_(task) {
        is_jpeg_ = ReadJpegFacts(file_, &jpeg_);
        read_options_.orientation = is_jpeg_ ? jpeg_.orientation : 1;
    }

    // The picture as the page shows it: an upright JPEG as it is, anything else as PNG.
    bool PictureImage(const reconstruct::OcrPicture& picture, reconstruct::Image* image,
                      std::string* error) const {
        const bool unchanged = is_jpeg_ && jpeg_.orientation == 1 && jpeg_.components != 4 &&
                               jpeg_.width == picture.Width() && jpeg_.height == picture.Height();
        image->mime = unchanged ? "image/jpeg" : "image/png";
        image->bytes = unchanged ? FileBytes(file_) : picture.Png();
        image->pixel_width = picture.Width();
        image->pixel_height = picture.Height();
        if (image->bytes.empty())
            *error = "cannot encode the picture for the document";
        return !image->bytes.empty();
    }

    void AddNote(int index, const std::string& why) {
        if (!notes_.empty())
            notes_ += "; ";
        notes_ += "page " + std::to_string(index + 1) + ": " + why;
    }

    const fs::path file_;
    const std::vector<int> pages_;  // 0-based, in the order chosen
    const std::string languages_;
    TaskContext& task_;
    JpegFacts jpeg_;
    bool is_jpeg_ = false;
    reconstruct::PictureReadOptions read_options_;
    std::unique_ptr<reconstruct::OcrEngine> engine_;  // used by the task's thread only
    std::string notes_;
};

// Plain UTF-8 text, pages separated by a form feed.
class TextSink : public DocumentSink {
public:
    explicit TextSink(const fs::path& file)
        : file_(file), out_(file, std::ios::binary | std::ios::trunc) {}

    bool IsOpen() const { return out_.is_open(); }

    bool AddPage(const reconstruct::Page& page, std::string* error) override {
        if (pages_++ > 0)
            out_ << kPageSeparator;
        out_ << reconstruct::PlainTextOf(page);
        return Written(error);
    }

    bool Finish(std::string* error) override {
        out_.close();
        return Written(error);
    }

private:
    bool Written(std::string* error) {
        if (!out_.fail())
            return true;
        *error = "cannot write " + file_.string();
        return false;
    }

    const fs::path file_;
    std::ofstream out_;
    int pages_ = 0;
};

std::unique_ptr<DocumentSink> OpenTextSink(const fs::path& file, const fs::path&,
                                           const reconstruct::RunningText&, std::string* error) {
    auto sink = std::make_unique<TextSink>(file);
    if (sink->IsOpen())
        return sink;
    *error = "cannot create " + file.string();
    return nullptr;
}

TaskOutcome Recognise(const RebuiltTarget& kind, const OfficeSettingsSource& settings,
                      const Json::Value& record, TaskContext& context) {
    const fs::path source = TextField(record, "source_path");
    const fs::path target = TextField(record, "target_path");
    std::error_code failure;
    if (source.empty() || !fs::is_regular_file(source, failure))
        return TaskOutcome::Failure("file not found: " + source.string());
    std::string error;
    if (IsPdf(source)) {
        const auto pages = OpenRebuiltPdf(record, true, context, &error);
        if (pages == nullptr)
            return TaskOutcome::Failure(error);
        return WriteRebuiltDocument(*pages, kind, target, settings, context);
    }
    const auto pages = PicturePages::Open(record, context, &error);
    if (pages == nullptr)
        return TaskOutcome::Failure(error);
    TaskOutcome outcome = WriteRebuiltDocument(*pages, kind, target, settings, context);
    if (outcome.ok)
        outcome.error = pages->Notes();
    return outcome;
}

void RegisterWith(CommandDispatcher& dispatcher, const OfficeSettingsSource& settings) {
    const struct {
        const char* command;
        RebuiltTarget target;
    } commands[] = {
        {"ocr_to_docx", {OpenWordSink, ".docx", nullptr}},
        {"ocr_to_doc", {OpenWordSink, ".docx", "doc"}},
        {"ocr_to_txt", {OpenTextSink, ".txt", nullptr}},
    };
    for (const auto& entry : commands) {
        const RebuiltTarget target = entry.target;
        dispatcher.Register(entry.command,
                            [target, settings](const Json::Value& record, TaskContext& context) {
                                return Recognise(target, settings, record, context);
                            });
    }
}

}  // namespace

void RegisterOcrCommands(CommandDispatcher& dispatcher) {
    RegisterWith(dispatcher, DefaultOfficeSettings);
}

void RegisterOcrCommands(CommandDispatcher& dispatcher, const OfficeSettings& settings) {
    RegisterWith(dispatcher, [settings](std::string*) { return std::optional(settings); });
}

}  // namespace convcore
