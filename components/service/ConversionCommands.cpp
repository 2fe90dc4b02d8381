#include "service/ConversionCommands.h"

#include <json/reader.h>

#include <charconv>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "platform/Text.h"

namespace service {
namespace {

using Types = std::span<const std::string_view>;
using Builder = CoreCommand (*)(std::string_view from, std::string_view to,
                                const Json::Value& custom);

// What the program sends for a drawing when the client says nothing.
constexpr char kDefaultBackground[] = "white";
constexpr int kDefaultPaperWidth = 2560;
constexpr int kDefaultPaperHeight = 1600;
// A side beyond this is a client's mistake, not a screen or a sheet.
constexpr int kMaxPaperSide = 32768;
// Page pictures at 144 dpi, as the program draws them by default.
constexpr double kPageImageScale = 2.0;

constexpr std::string_view kPdf[] = {"pdf"};
constexpr std::string_view kRebuiltTypes[] = {"docx", "doc", "xlsx", "xls", "pptx"};
constexpr std::string_view kText[] = {"txt"};
constexpr std::string_view kHtml[] = {"html"};
constexpr std::string_view kPageImageTypes[] = {"jpg", "jpeg", "png", "bmp"};
constexpr std::string_view kDxf[] = {"dxf"};
// The Office types the core turns into PDF; it has no command for the WPS ones.
constexpr std::string_view kDocumentTypes[] = {"doc", "docx", "xls", "xlsx", "ppt", "pptx", "txt"};
constexpr std::string_view kPdfPictureTypes[] = {"jpg", "jpeg", "png", "bmp"};
constexpr std::string_view kScanTypes[] = {"jpg", "jpeg", "png", "bmp", "tif", "tiff", "gif"};
constexpr std::string_view kRecognisedTypes[] = {"doc", "docx", "txt"};

std::string CommandName(std::string_view from, std::string_view to) {
    std::string name(from);
    name += "_to_";
    name += to;
    return name;
}

CoreCommand Named(std::string_view from, std::string_view to, const Json::Value&) {
    CoreCommand command;
    command.record["cmd"] = CommandName(from, to);
    return command;
}

// The service is the precise mode: scanned pages are recognised, not pasted in as pictures.
CoreCommand RecognisingRebuild(std::string_view from, std::string_view to, const Json::Value&) {
    CoreCommand command = Named(from, to, Json::Value());
    command.record["ocr"] = 1;
    return command;
}

CoreCommand TextWithRecognisedFallback(std::string_view from, std::string_view to,
                                       const Json::Value&) {
    CoreCommand command = Named(from, to, Json::Value());
    command.blank_text_fallback["cmd"] = CommandName("ocr", to);
    return command;
}

// The client gets one file, so every page goes into one tall picture.
CoreCommand MergedPageImage(std::string_view from, std::string_view to, const Json::Value&) {
    CoreCommand command = Named(from, to == "jpeg" ? "jpg" : to, Json::Value());
    command.record["merge"] = 1;
    command.record["pagePerImage"] = 0;
    command.record["scale"] = kPageImageScale;
    command.output = CoreOutput::kImageFolder;
    return command;
}

// The picture keeps its own size and bytes, as the image-to-PDF window does by default.
CoreCommand PictureToPdf(std::string_view, std::string_view, const Json::Value&) {
    CoreCommand command;
    command.record["cmd"] = "jpg_to_pdf";
    command.record["compress"] = 0;
    command.record["image_quality"] = 100;
    command.record["page_size"] = 0;
    command.record["page_direction"] = 0;
    command.record["page_margin"] = 0;
    command.source = SourceField::kImageList;
    return command;
}

CoreCommand Recognised(std::string_view, std::string_view to, const Json::Value&) {
    return Named("ocr", to, Json::Value());
}

std::string Background(const Json::Value& custom) {
    const Json::Value& value = custom["background"];
    if (value.isString() && platform::AsciiToLower(value.asString()) == "black")
        return "black";
    return kDefaultBackground;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<int> PaperSide(std::string_view text) {
    text = Trimmed(text);
    int side = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), side);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (side <= 0 || side > kMaxPaperSide)
        return std::nullopt;
    return side;
}

// "width,height"; nullopt for anything else.
std::optional<std::pair<int, int>> PaperSize(const Json::Value& custom) {
    const Json::Value& value = custom["paper_size"];
    if (!value.isString())
        return std::nullopt;
    const std::string text = value.asString();
    const auto comma = text.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    const auto width = PaperSide(std::string_view(text).substr(0, comma));
    const auto height = PaperSide(std::string_view(text).substr(comma + 1));
    if (!width || !height)
        return std::nullopt;
    return std::pair(*width, *height);
}

CoreCommand DrawingToPdf(std::string_view from, std::string_view to, const Json::Value& custom) {
    CoreCommand command = Named(from, to, Json::Value());
    command.record["background"] = Background(custom);
    const auto paper =
        PaperSize(custom).value_or(std::pair(kDefaultPaperWidth, kDefaultPaperHeight));
    command.record["paper_width"] = paper.first;
    command.record["paper_height"] = paper.second;
    return command;
}

struct Route {
    Types from;
    Types to;
    Builder build;
};

constexpr Route kRoutes[] = {
    {kPdf, kRebuiltTypes, RecognisingRebuild},
    {kPdf, kText, TextWithRecognisedFallback},
    {kPdf, kHtml, Named},
    {kPdf, kPageImageTypes, MergedPageImage},
    {kPdf, kDxf, Named},
    {kDxf, kPdf, DrawingToPdf},
    {kDocumentTypes, kPdf, Named},
    {kPdfPictureTypes, kPdf, PictureToPdf},
    {kScanTypes, kRecognisedTypes, Recognised},
};

bool Contains(Types types, std::string_view type) {
    for (std::string_view candidate : types) {
        if (candidate == type)
            return true;
    }
    return false;
}

std::string NormalType(std::string_view type) {
    type = Trimmed(type);
    if (type.starts_with('.'))
        type.remove_prefix(1);
    return platform::AsciiToLower(type);
}

// Some clients send the object as its JSON text.
Json::Value CustomObject(const Json::Value& custom_data) {
    if (custom_data.isObject())
        return custom_data;
    if (!custom_data.isString())
        return Json::Value(Json::objectValue);
    const std::string text = custom_data.asString();
    Json::CharReaderBuilder builder;
    builder["stackLimit"] = 16;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value parsed;
    // The reader throws past its nesting limit; a client's text must not end the worker.
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &parsed, nullptr) ||
            !parsed.isObject())
            return Json::Value(Json::objectValue);
    } catch (const Json::Exception&) {
        return Json::Value(Json::objectValue);
    }
    return parsed;
}

CommandChoice Refused(std::string reason) {
    CommandChoice choice;
    choice.refusal = std::move(reason);
    return choice;
}

}  // namespace

CommandChoice ChooseCoreCommand(std::string_view file_type, std::string_view target_file_type,
                                const Json::Value& custom_data) {
    const std::string from = NormalType(file_type);
    const std::string to = NormalType(target_file_type);
    if (from == "dwg" || to == "dwg")
        return Refused(kDwgRefusal);
    for (const Route& route : kRoutes) {
        if (!Contains(route.from, from) || !Contains(route.to, to))
            continue;
        CommandChoice choice;
        choice.accepted = true;
        choice.command = route.build(from, to, CustomObject(custom_data));
        return choice;
    }
    return Refused("unsupported conversion: " + from + " to " + to);
}

Json::Value RecordWithPaths(const CoreCommand& command, const std::string& source,
                            const std::string& target) {
    Json::Value record = command.record;
    if (command.source == SourceField::kImageList)
        record["images"].append(source);
    else
        record["source_path"] = source;
    record["target_path"] = target;
    return record;
}

}  // namespace service
