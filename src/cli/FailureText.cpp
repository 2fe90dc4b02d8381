#include "cli/FailureText.h"

#include <vector>

#include "composite/IOnlineConverter.h"
#include "tasks/ICvtTask.h"

namespace cli {
namespace {

constexpr char kUnreachable[] =
    "the online conversion service cannot be reached (its address is [common] host in "
    "common.dat)";

struct Explanation {
    const char* marker;  // found anywhere in the task's error text
    const char* words;
};

const Explanation kExplanations[] = {
    {"unsupported command: ", "the local conversion core cannot do this yet"},
    {kOnlineNotSetUp, "the online conversion service is not set up yet"},
    {kOnlineNotAllowed, "uploading to the online service is not agreed (--agree-upload)"},
    // The service client's failure texts carry libcurl's code after "curl:".
    {"curl:6,", kUnreachable},
    {"curl:7,", kUnreachable},
    {"curl:28,", "the online conversion service did not answer in time"},
    {"curl:35,", "no secure connection to the online conversion service could be made"},
    {"curl:60,", "the online conversion service's certificate is not trusted"},
};

}  // namespace

std::string DescribeFailure(ICvtTask& task) {
    if (task.IsCancelled())
        return "cancelled";
    const std::string error = task.GetErrorMsg();
    std::vector<std::string> parts;
    if (std::string mapped = task.GetErrorInfo().message; !mapped.empty())
        parts.push_back(std::move(mapped));
    for (const Explanation& explanation : kExplanations) {
        if (error.find(explanation.marker) != std::string::npos)
            parts.emplace_back(explanation.words);
    }
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "; ") + part;
    if (error.empty())
        return text.empty() ? "no reason was given" : text;
    return text.empty() ? error : text + " (" + error + ")";
}

}  // namespace cli
