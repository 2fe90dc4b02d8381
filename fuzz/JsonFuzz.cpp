// JSON texts come from files and peers. Whatever parses must write back to a text that parses
// to the same tree, in both forms.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "util/Json.h"

namespace {

void ExpectSameTreeAfterWriting(const BkJsonEx::Document& doc, bool pretty) {
    std::string text;
    if (!doc.Write(text, pretty)) {
        std::abort();
    }
    BkJsonEx::Document reread;
    if (!reread.Parse(text) || !reread.Root()->Equals(*doc.Root())) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BkJsonEx::Document doc;
    if (!doc.Parse(std::string_view(reinterpret_cast<const char*>(data), size))) {
        const BkJsonEx::Error& error = doc.GetError();
        if (error.code == BkJsonEx::kNoError || error.line < 1 || error.column < 1) {
            std::abort();
        }
        return 0;
    }
    ExpectSameTreeAfterWriting(doc, false);
    ExpectSameTreeAfterWriting(doc, true);
    return 0;
}
