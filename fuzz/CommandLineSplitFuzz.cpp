// Command lines built for child copies of the program are split back into argument vectors.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/CommandLineSplit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto arguments = SplitCommandLine(line);
    std::string rebuilt;
    for (const auto& argument : arguments) {
        rebuilt += argument.empty() ? "\"\"" : QuoteCommandLineArgument(argument);
        rebuilt += ' ';
    }
    if (SplitCommandLine(rebuilt) != arguments)
        std::abort();
    return 0;
}
