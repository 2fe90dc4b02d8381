#pragma once

#include <json/value.h>

#include <string>
#include <string_view>

// Which quire-core command performs an online conversion, and with which record. Pure: no
// file is looked at, so every route can be pinned down without a core.
namespace service {

inline constexpr char kDwgRefusal[] = "DWG drawings are not supported by this service";

// Where a command leaves its result.
enum class CoreOutput {
    kFile,         // "target_path" is the result file
    kImageFolder,  // "target_path" is a folder that receives one picture of all pages
};

// How a command is told its source.
enum class SourceField {
    kSourcePath,  // "source_path"
    kImageList,   // "images": [source]
};

struct CoreCommand {
    Json::Value record;  // "cmd" and the command's own keys; the paths come with the job
    SourceField source = SourceField::kSourcePath;
    CoreOutput output = CoreOutput::kFile;
    // Null, or the record of a command to run instead when this one's text holds no visible
    // character: a scanned PDF has text only for a recogniser.
    Json::Value blank_text_fallback;
};

struct CommandChoice {
    bool accepted = false;
    CoreCommand command;  // when accepted
    std::string refusal;  // when not: the reason, fit to show the client
};

// `file_type` and `target_file_type` as the client sent them ("pdf", "docx"; case and a
// leading dot do not matter). `custom_data` is the client's object, or a string holding one.
CommandChoice ChooseCoreCommand(std::string_view file_type, std::string_view target_file_type,
                                const Json::Value& custom_data);

// The command's record with the job's paths (UTF-8) where the command expects them.
Json::Value RecordWithPaths(const CoreCommand& command, const std::string& source,
                            const std::string& target);

}  // namespace service
