#include "composite/TextJoin.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <system_error>

namespace document_join {
namespace {

constexpr std::uintmax_t kMaxHtmlPart = 512ull << 20;
constexpr size_t kCopyChunk = 1 << 16;
constexpr const char kUtf8Mark[] = "\xEF\xBB\xBF";

// Writes through a stream and removes the file again unless Close() succeeds.
class OutputFile {
public:
    explicit OutputFile(std::filesystem::path path) : path_(std::move(path)) {
        stream_.open(path_, std::ios::binary | std::ios::trunc);
    }
    ~OutputFile() {
        if (!done_) {
            stream_.close();
            std::error_code ignored;
            std::filesystem::remove(path_, ignored);
        }
    }
    std::ofstream& Stream() { return stream_; }
    bool Close(std::string* error) {
        stream_.close();
        done_ = !stream_.fail();
        if (!done_) {
            *error = "cannot write " + path_.string();
        }
        return done_;
    }

private:
    std::filesystem::path path_;
    std::ofstream stream_;
    bool done_ = false;
};

bool OpenPart(const std::filesystem::path& part, std::ifstream* in, std::string* error) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(part, code)) {
        *error = part.string() + " is missing";
        return false;
    }
    in->open(part, std::ios::binary);
    if (!*in) {
        *error = part.string() + " cannot be read";
        return false;
    }
    return true;
}

// Copies `in` to `out`; `last` is the last byte copied ('\n' when nothing was).
bool CopyStream(std::ifstream& in, std::ofstream& out, bool skip_mark, char* last) {
    std::string chunk(kCopyChunk, '\0');
    bool first = true;
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        size_t count = static_cast<size_t>(in.gcount());
        size_t start = 0;
        if (first && skip_mark && count >= 3 && chunk.compare(0, 3, kUtf8Mark) == 0) {
            start = 3;
        }
        first = false;
        if (count > start) {
            out.write(chunk.data() + start, static_cast<std::streamsize>(count - start));
            *last = chunk[count - 1];
        }
    }
    return in.eof() && out.good();
}

bool ReadWhole(const std::filesystem::path& part, std::string* text, std::string* error) {
    std::ifstream in;
    if (!OpenPart(part, &in, error)) {
        return false;
    }
    std::error_code code;
    const std::uintmax_t size = std::filesystem::file_size(part, code);
    if (code || size > kMaxHtmlPart) {
        *error = part.string() + " is too large to join";
        return false;
    }
    text->assign(static_cast<size_t>(size), '\0');
    in.read(text->data(), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(in.gcount()) != size) {
        *error = part.string() + " cannot be read";
        return false;
    }
    return true;
}

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// [begin, end) of what lies between <body ...> and </body>; the whole text when the page has
// no body tags.
void BodyContent(const std::string& lower, size_t* begin, size_t* end) {
    *begin = 0;
    *end = lower.size();
    const size_t open = lower.find("<body");
    const size_t open_end = open == std::string::npos ? open : lower.find('>', open);
    if (open_end != std::string::npos) {
        *begin = open_end + 1;
    }
    const size_t close = lower.rfind("</body");
    if (close != std::string::npos && close >= *begin) {
        *end = close;
    }
}

}  // namespace

bool JoinTextFiles(const std::vector<std::filesystem::path>& parts,
                   const std::filesystem::path& target, std::string* error) {
    OutputFile output(target);
    char last = '\n';
    for (size_t i = 0; i < parts.size(); ++i) {
        std::ifstream in;
        if (!OpenPart(parts[i], &in, error)) {
            return false;
        }
        if (last != '\n') {
            output.Stream().put('\n');
        }
        last = '\n';
        if (!CopyStream(in, output.Stream(), i > 0, &last)) {
            *error = "cannot copy " + parts[i].string() + " into " + target.string();
            return false;
        }
    }
    return output.Close(error);
}

bool JoinHtmlFiles(const std::vector<std::filesystem::path>& parts,
                   const std::filesystem::path& target, std::string* error) {
    if (parts.empty()) {
        *error = "there are no parts to join";
        return false;
    }
    std::string page;
    if (!ReadWhole(parts.front(), &page, error)) {
        return false;
    }
    size_t page_begin = 0;
    size_t page_end = 0;
    BodyContent(LowerCase(page), &page_begin, &page_end);
    OutputFile output(target);
    output.Stream().write(page.data(), static_cast<std::streamsize>(page_end));
    for (size_t i = 1; i < parts.size(); ++i) {
        std::string part;
        if (!ReadWhole(parts[i], &part, error)) {
            return false;
        }
        size_t begin = 0;
        size_t end = 0;
        BodyContent(LowerCase(part), &begin, &end);
        output.Stream().put('\n').write(part.data() + begin,
                                        static_cast<std::streamsize>(end - begin));
    }
    output.Stream().write(page.data() + page_end,
                          static_cast<std::streamsize>(page.size() - page_end));
    return output.Close(error);
}

}  // namespace document_join
