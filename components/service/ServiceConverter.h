// components/service/ServiceConverter.h
#pragma once
#include <json/value.h>
#include <filesystem>
#include <functional>
#include <string>
namespace service {
struct ConversionJob {
    std::filesystem::path source;     // the stored upload, named "<stem>.<file_type>"
    std::filesystem::path target;     // where the result must appear; its extension is the target type
    std::string file_type;            // as the client sent it, lower case, no dot ("pdf")
    std::string target_file_type;     // ("docx")
    int convert_type = 1;             // 1 or 2, as sent
    int pages = 0;                    // "pages" as sent, 0 when absent
    Json::Value custom_data;          // "custom_data" as sent (null when absent)
    std::function<void(int)> on_progress;  // 0..100, any thread
    std::function<bool()> cancelled;       // true once the service stops or the job expired
};
class IServiceConverter {
public:
    virtual ~IServiceConverter() = default;
    // Runs the job to its end on the calling thread. False with a short reason in *error.
    // The target exists only when it returns true.
    virtual bool Convert(const ConversionJob& job, std::string* error) = 0;
};
}  // namespace service
