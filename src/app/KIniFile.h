#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/IniDocument.h"

// The byte encodings KIniFile::Load accepts. The code page of the Windows design is UTF-8 here,
// so kAnsi and kUtf8 read alike; kUtf16 is little-endian, with or without a byte-order mark.
enum class IniEncoding { kAnsi = 1, kUtf8 = 2, kUtf16 = 3 };

// The program's own ini file: loaded whole, parsed by the rules of IniDocument, saved whole
// with a UTF-8 byte-order mark. A failed load leaves the document empty or partly filled, so
// every getter then answers its default.
class KIniFile : public IniDocument {
public:
    // Clears the document, then reads `path` (at most kMaxFileBytes). False when the file is
    // missing, unreadable, too large or 2 bytes or shorter, or when the parse stops early.
    bool Load(const std::filesystem::path& path, IniEncoding encoding);
    // The same for bytes already read.
    bool LoadBytes(std::string_view bytes, IniEncoding encoding);

    // Replaces `path` atomically; true only when all of the file was written.
    bool Save(const std::filesystem::path& path) const;

    // The bytes of a file as UTF-16 with every CR replaced by LF, as the load parses them. An
    // odd last byte of UTF-16 text is dropped; invalid UTF-8 becomes U+FFFD.
    static std::u16string DecodeFileText(std::string_view bytes, IniEncoding encoding);
};
