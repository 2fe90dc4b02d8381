#include "cli/FailureText.h"

#include <vector>

#include "composite/IOnlineConverter.h"
#include "tasks/ICvtTask.h"

namespace cli {
namespace {

struct Explanation {
    const char* marker;  // found anywhere in the task's error text
    const char* words;
};

const Explanation kExplanations[] = {
    {"unsupported command: ", "the local conversion core cannot do this yet"},
    {kOnlineNotSetUp, "the online conversion service is not set up yet"},
    {kOnlineNotAllowed, "uploading to the online service is not agreed (--allow-upload)"},
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
