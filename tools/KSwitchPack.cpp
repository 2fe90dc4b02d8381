// quire-kswitch: writes data/kswitch.dat from plain XML with the program's key, and reads one
// back, so that product switches can be authored and checked by hand.
//   quire-kswitch pack <switches.xml> <kswitch.dat>
//   quire-kswitch unpack <kswitch.dat> <switches.xml>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/ProductSwitchFile.h"
#include "platform/AtomicFile.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "quire-kswitch: %s\n", message.c_str());
    return 1;
}

int Run(std::string_view mode, const char* input, const char* output) {
    const auto read = platform::ReadFileBounded(input, product_switch::kMaxFileBytes);
    if (read.status != platform::ReadStatus::Ok)
        return Fail(std::string("cannot read ") + input +
                    (read.error.empty() ? "" : ": " + read.error));
    std::string result;
    if (mode == "pack") {
        if (!product_switch::ParseXml(read.bytes))
            return Fail(std::string(input) + " is not well-formed XML");
        result = product_switch::Encode(read.bytes);
    } else {
        auto xml = product_switch::Decode(read.bytes);
        if (!xml)
            return Fail(std::string(input) + " is not a switch file (no marker)");
        result = std::move(*xml);
    }
    std::string error;
    if (!platform::WriteFileAtomically(output, result, 0644, &error))
        return Fail(std::string("cannot write ") + output + ": " + error);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::string_view(argv[1]) != "pack" && std::string_view(argv[1]) != "unpack"))
        return Fail("usage: quire-kswitch pack|unpack <input> <output>");
    return Run(argv[1], argv[2], argv[3]);
}
