#include "app/KIniFile.h"

#include <algorithm>

#include "app/AsynLog.h"
#include "app/ConfigPaths.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace {

// Two bytes hold no section header; a lone UTF-16 byte-order mark is exactly that long.
constexpr std::size_t kMinFileBytes = 3;

std::u16string FromUtf16Le(std::string_view bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 * i]);
        const auto high = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(low | (high << 8));
    }
    return text;
}

}  // namespace

bool KIniFile::Load(const std::filesystem::path& path, IniEncoding encoding) {
    Clear();
    const platform::ReadResult read = platform::ReadFileBounded(path, kMaxFileBytes);
    if (read.status == platform::ReadStatus::Ok)
        return LoadBytes(read.bytes, encoding);
    // A missing file is an ordinary state (no user copy yet), not worth a line.
    if (read.status != platform::ReadStatus::Missing)
        keasy::AsynLog::Instance().Print("KIniFile::Load unreadable path:%ws, error:%s",
                                         path.string(), config::DescribeReadFailure(read));
    return false;
}

bool KIniFile::LoadBytes(std::string_view bytes, IniEncoding encoding) {
    Clear();
    if (bytes.size() < kMinFileBytes || bytes.size() > kMaxFileBytes)
        return false;
    return ParseUtf16(DecodeFileText(bytes, encoding));
}

bool KIniFile::Save(const std::filesystem::path& path) const {
    return WriteWithBom(path, Serialize());
}

std::u16string KIniFile::DecodeFileText(std::string_view bytes, IniEncoding encoding) {
    std::u16string text =
        encoding == IniEncoding::kUtf16 ? FromUtf16Le(bytes) : platform::Utf8ToUtf16(bytes);
    std::replace(text.begin(), text.end(), u'\r', u'\n');
    return text;
}
