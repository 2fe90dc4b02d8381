// Command lines arrive from other processes through the hand-over socket.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/CmdLineParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CCmdLineParser parser;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (parser.Parse(text)) {
        parser.HasKey("only_feedback");
        parser.GetValue("kpath");
    }
    return 0;
}
