// Argument vectors come from whoever starts the program; command lines built from them go to
// child copies of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLineSplit.h"
#include "app/KCmdArgs.h"

namespace {

std::vector<std::string> SplitOnNul(std::string_view bytes) {
    std::vector<std::string> argv;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\0', start)) != std::string_view::npos;
         start = end + 1)
        argv.emplace_back(bytes.substr(start, end - start));
    argv.emplace_back(bytes.substr(start));
    return argv;
}

bool StartsWithOneOf(std::string_view text, std::string_view characters) {
    return !text.empty() && characters.find(text.front()) != std::string_view::npos;
}

// A key written as "-key" reads back as itself unless it holds white space, a quote or a "/".
bool KeySurvives(std::string_view key) {
    return key.find_first_of(" \t\"/") == std::string_view::npos;
}

// A value written plainly after "=" reads back unless the split changes it or the walk takes
// its leading separators away.
bool PlainValueSurvives(std::string_view value) {
    return value.find_first_of(" \t\"") == std::string_view::npos && !StartsWithOneOf(value, ":=");
}

bool PlainRoundTripApplies(const KCmdArgs& args) {
    const auto& positional = args.Positional();
    for (std::size_t i = 1; i < positional.size(); ++i) {
        if (StartsWithOneOf(positional[i], "-/"))
            return false;
    }
    for (const auto& [key, value] : args.Values()) {
        if (!KeySurvives(key) || !PlainValueSurvives(value))
            return false;
    }
    return true;
}

void CheckPlainRoundTrip(const KCmdArgs& args) {
    if (!PlainRoundTripApplies(args))
        return;
    const KCmdArgs again(SplitCommandLine(args.ToCommandLine()));
    if (again.Positional() != args.Positional() || again.Values() != args.Values())
        std::abort();
}

// Through the quoting step every value survives except for leading separators.
void CheckQuotedRoundTrip(const KCmdArgs& args) {
    for (const auto& [key, value] : args.Values()) {
        if (!KeySurvives(key) || StartsWithOneOf(value, ":="))
            continue;
        KCmdArgs built(std::vector<std::string>{"/opt/my apps/quire"});
        built.SetQuotedValue(key, value);
        const KCmdArgs child(SplitCommandLine(built.ToCommandLine()));
        if (child.GetValue(key) != value || child.Values().size() != 1 ||
            child.Positional() != built.Positional())
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const KCmdArgs args(SplitOnNul(bytes));
    args.GetInt("enable_menu");
    CheckPlainRoundTrip(args);
    CheckQuotedRoundTrip(args);
    return 0;
}
