// Record declarations and the texts put into the usage log are checked on arbitrary bytes:
// the parser must accept only what it can describe, and the JSON text must always read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Text.h"
#include "report/JsonText.h"
#include "report/RecordSchema.h"
#include "report/UsageLogFile.h"
#include "report/UsageRecord.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

void AppendUtf8(std::string& out, unsigned code) {
    std::u16string unit(1, static_cast<char16_t>(code));
    out += platform::Utf16ToUtf8(unit);
}

// Decodes what AppendJsonString writes; aborts on anything it should never write.
std::string DecodeJsonString(std::string_view json) {
    Check(json.size() >= 2 && json.front() == '"' && json.back() == '"');
    json = json.substr(1, json.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const auto byte = static_cast<unsigned char>(json[i]);
        Check(byte >= 0x20 && byte != 0x7F && byte != '"');
        if (json[i] != '\\') {
            out += json[i];
            continue;
        }
        Check(i + 1 < json.size());
        const char escape = json[++i];
        const std::string_view simple = "\"\\bfnrt";
        const std::string_view meaning = "\"\\\b\f\n\r\t";
        if (const std::size_t at = simple.find(escape); at != std::string_view::npos) {
            out += meaning[at];
            continue;
        }
        Check(escape == 'u' && i + 4 < json.size());
        unsigned code = 0;
        for (int k = 0; k < 4; ++k) {
            const int digit = HexValue(json[++i]);
            Check(digit >= 0);
            code = code * 16 + static_cast<unsigned>(digit);
        }
        Check(code < 0x20 || code == 0x7F || code == 0x2028 || code == 0x2029);
        AppendUtf8(out, code);
    }
    return out;
}

void CheckSchema(std::string_view text) {
    const auto schema = report::ParseSchema(text);
    if (!schema)
        return;
    Check(schema->text == text && !schema->name.empty() && schema->id >= 0);
    Check(schema->fields.size() <= report::kMaxSchemaFields);
    report::UsageRecord record(*schema);
    record.SetStartingValues();
    for (std::size_t i = 0; i < schema->fields.size(); ++i)
        Check(schema->IndexOf(schema->fields[i].name) == i);
    const std::string line = report::UsageLogLine(record, 0);
    Check(platform::IsValidUtf8(line) && line.back() == '\n');
    Check(line.find('\n') == line.size() - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckSchema(text);
    const std::string json = report::JsonString(text);
    Check(platform::IsValidUtf8(json));
    Check(DecodeJsonString(json) == platform::Utf16ToUtf8(platform::Utf8ToUtf16(text)));
    return 0;
}
