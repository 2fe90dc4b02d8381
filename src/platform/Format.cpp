#include "platform/Format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <optional>

#include "platform/Text.h"

namespace platform {
namespace {

using format_detail::Directive;
using format_detail::DirectiveError;

// Caps padding and generated digits: a format read from a file must not be able to make us
// allocate gigabytes.
constexpr int kMaxGenerated = 4096;
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

struct Field {
    std::uint8_t flags = 0;
    int width = 0;
    int precision = -1;  // none
    char conversion = 0;
};

bool Has(const Field& field, format_detail::Flag flag) {
    return (field.flags & flag) != 0;
}

std::string_view KindName(ArgKind kind) {
    switch (kind) {
        case ArgKind::kSigned:
            return "int";
        case ArgKind::kUnsigned:
            return "uint";
        case ArgKind::kChar:
            return "char";
        case ArgKind::kDouble:
            return "double";
        case ArgKind::kString:
            return "string";
        case ArgKind::kPointer:
            return "pointer";
        case ArgKind::kUnsupported:
            break;
    }
    return "unsupported";
}

char DefaultConversion(ArgKind kind) {
    switch (kind) {
        case ArgKind::kSigned:
            return 'd';
        case ArgKind::kChar:
            return 'c';
        case ArgKind::kDouble:
            return 'g';
        case ArgKind::kString:
            return 's';
        case ArgKind::kPointer:
            return 'p';
        default:
            return 'u';
    }
}

// C promotes integers narrower than int before printf reads them, and the conversion then
// reinterprets the promoted value: "%d" of 0xFFFFFFFFu is -1 and "%u" of -1 is 4294967295.
std::uint64_t PromotedBits(const FormatArg& arg, bool as_signed) {
    const std::size_t bit_count = std::max<std::size_t>(arg.int_bytes(), 4) * 8;
    if (bit_count >= 64) {
        return arg.bits();
    }
    const std::uint64_t mask = (std::uint64_t{1} << bit_count) - 1;
    const std::uint64_t low = arg.bits() & mask;
    const bool sign_set = (low >> (bit_count - 1)) != 0;
    return as_signed && sign_set ? low | ~mask : low;
}

std::string Pad(std::string body, std::size_t body_chars, const Field& field) {
    const auto width = static_cast<std::size_t>(field.width);
    if (body_chars >= width) {
        return body;
    }
    const std::string padding(width - body_chars, ' ');
    return Has(field, format_detail::kLeft) ? body + padding : padding + body;
}

std::string Pad(std::string body, const Field& field) {
    const std::size_t size = body.size();
    return Pad(std::move(body), size, field);
}

std::string Digits(std::uint64_t magnitude, int base, bool upper) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, magnitude, base).ptr;
    std::string digits(buffer, end);
    return upper ? AsciiToUpper(digits) : digits;
}

int BaseOf(char conversion) {
    switch (conversion) {
        case 'o':
            return 8;
        case 'x':
        case 'X':
            return 16;
        default:
            return 10;
    }
}

std::string Prefix(const Field& field, bool negative, std::uint64_t magnitude) {
    const char c = field.conversion;
    if (negative) {
        return "-";
    }
    const bool is_signed = c == 'd' || c == 'i';
    if (is_signed && Has(field, format_detail::kPlus)) {
        return "+";
    }
    if (is_signed && Has(field, format_detail::kSpace)) {
        return " ";
    }
    if ((c == 'x' || c == 'X') && Has(field, format_detail::kAlternate) && magnitude != 0) {
        return c == 'x' ? "0x" : "0X";
    }
    return "";
}

std::string RenderInteger(const Field& field, const FormatArg& arg) {
    const bool as_signed = field.conversion == 'd' || field.conversion == 'i';
    const std::uint64_t promoted = PromotedBits(arg, as_signed);
    const bool negative = as_signed && static_cast<std::int64_t>(promoted) < 0;
    const std::uint64_t magnitude = negative ? 0 - promoted : promoted;
    std::string digits = field.precision == 0 && magnitude == 0
                             ? ""
                             : Digits(magnitude, BaseOf(field.conversion), field.conversion == 'X');
    const auto min_digits = static_cast<std::size_t>(std::min(field.precision, kMaxGenerated));
    if (field.precision > 0 && digits.size() < min_digits) {
        digits.insert(0, min_digits - digits.size(), '0');
    }
    const bool octal_needs_zero = digits.empty() || digits.front() != '0';
    if (field.conversion == 'o' && Has(field, format_detail::kAlternate) && octal_needs_zero) {
        digits.insert(0, 1, '0');
    }
    const std::string prefix = Prefix(field, negative, magnitude);
    const auto width = static_cast<std::size_t>(field.width);
    const bool zero_pad = Has(field, format_detail::kZeroPad) &&
                          !Has(field, format_detail::kLeft) && field.precision < 0;
    if (zero_pad && prefix.size() + digits.size() < width) {
        digits.insert(0, width - prefix.size() - digits.size(), '0');
    }
    return Pad(prefix + digits, field);
}

std::string EncodeCodePoint(std::uint64_t code_point) {
    if (code_point > 0x10FFFF) {
        return std::string(kReplacementUtf8);
    }
    if (code_point < 0x10000) {
        // A lone surrogate becomes U+FFFD in the conversion.
        return Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(code_point)));
    }
    const std::uint64_t offset = code_point - 0x10000;
    const char16_t pair[] = {static_cast<char16_t>(0xD800 + (offset >> 10)),
                             static_cast<char16_t>(0xDC00 + (offset & 0x3FF))};
    return Utf16ToUtf8(std::u16string_view(pair, 2));
}

std::string RenderChar(const Field& field, const FormatArg& arg) {
    if (arg.kind() == ArgKind::kChar) {
        return Pad(std::string(1, static_cast<char>(arg.bits())), field);
    }
    const bool negative =
        arg.kind() == ArgKind::kSigned && static_cast<std::int64_t>(arg.bits()) < 0;
    const std::string encoded =
        negative ? std::string(kReplacementUtf8) : EncodeCodePoint(arg.bits());
    return Pad(encoded, 1, field);
}

std::string RenderString(const Field& field, const FormatArg& arg) {
    std::string scratch;
    std::string_view text = arg.Text(scratch);
    if (field.precision >= 0) {
        text = TruncateChars(text, static_cast<std::size_t>(field.precision));
    }
    return Pad(std::string(text), CountChars(text), field);
}

std::string RenderPointer(const Field& field, const FormatArg& arg) {
    return Pad("0x" + Digits(arg.bits(), 16, false), field);
}

// Every piece of the C format is validated here, and the only argument is a double, so the C
// library sees nothing a caller controls beyond numbers we have already bounded.
std::string RenderDouble(const Field& field, double value) {
    std::string c_format = "%";
    for (const char flag : {'-', '+', ' ', '#', '0'}) {
        if ((field.flags & format_detail::FlagOf(flag)) != 0) {
            c_format += flag;
        }
    }
    if (field.width > 0) {
        c_format += std::to_string(field.width);
    }
    if (field.precision >= 0) {
        c_format += '.' + std::to_string(std::min(field.precision, kMaxGenerated));
    }
    c_format += field.conversion;
    const int size = std::snprintf(nullptr, 0, c_format.c_str(), value);
    if (size <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(out.data(), out.size(), c_format.c_str(), value);
    out.resize(static_cast<std::size_t>(size));
    return out;
}

// The argument has been checked against the conversion.
std::string Render(const Field& field, const FormatArg& arg) {
    switch (field.conversion) {
        case 'c':
            return RenderChar(field, arg);
        case 's':
        case 'S':
            return RenderString(field, arg);
        case 'p':
            return RenderPointer(field, arg);
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            return RenderDouble(field, arg.real());
        default:
            return RenderInteger(field, arg);
    }
}

class Engine {
public:
    explicit Engine(std::span<const FormatArg> args) : args_(args) {}

    std::string Run(std::string_view fmt) {
        for (std::size_t pos = 0; pos < fmt.size();) {
            const std::size_t percent = fmt.find('%', pos);
            out_.append(fmt.substr(pos, percent - pos));
            if (percent == std::string_view::npos) {
                break;
            }
            const Directive directive = format_detail::ParseDirective(fmt, percent);
            RenderDirective(directive);
            pos = percent + directive.length;
        }
        AppendExtras();
        return std::move(out_);
    }

private:
    const FormatArg* Next() { return next_ < args_.size() ? &args_[next_++] : nullptr; }

    void Marker(char conversion, std::string_view what) {
        out_ += "%!";
        if (conversion != 0) {
            out_ += conversion;
        }
        out_ += '(';
        out_ += what;
        out_ += ')';
    }

    void RenderDirective(const Directive& directive) {
        if (directive.error == DirectiveError::kIncomplete) {
            return Marker(0, "incomplete");
        }
        if (directive.error == DirectiveError::kUnknownConversion) {
            return Marker(directive.conversion, "unknown");
        }
        if (directive.conversion == '%') {
            out_ += '%';
            return;
        }
        const Field field = ResolveField(directive);
        const FormatArg* arg = Next();
        if (arg == nullptr) {
            return Marker(directive.conversion, "missing");
        }
        if (!format_detail::Accepts(directive.conversion, arg->kind())) {
            return Marker(directive.conversion, KindName(arg->kind()));
        }
        out_ += Render(field, *arg);
    }

    Field ResolveField(const Directive& directive) {
        Field field{directive.flags, directive.width,
                    directive.has_precision ? directive.precision : -1, directive.conversion};
        if (directive.width_from_arg) {
            // A negative width from an argument means left justification, as in C.
            const std::int64_t width =
                std::clamp<std::int64_t>(TakeStar().value_or(0), -kMaxGenerated, kMaxGenerated);
            if (width < 0) {
                field.flags |= format_detail::kLeft;
            }
            field.width = static_cast<int>(width < 0 ? -width : width);
        }
        if (directive.precision_from_arg) {
            const std::int64_t precision = TakeStar().value_or(-1);
            field.precision = static_cast<int>(
                std::clamp<std::int64_t>(precision, -1, std::numeric_limits<int>::max()));
        }
        field.width = std::min(field.width, kMaxGenerated);
        return field;
    }

    // The value of a "*" argument as C would read it, or nothing after writing a marker.
    std::optional<std::int64_t> TakeStar() {
        const FormatArg* arg = Next();
        if (arg == nullptr) {
            Marker('*', "missing");
            return std::nullopt;
        }
        if (!format_detail::IsIntegerKind(arg->kind())) {
            Marker('*', KindName(arg->kind()));
            return std::nullopt;
        }
        return static_cast<std::int64_t>(PromotedBits(*arg, true));
    }

    void AppendExtras() {
        if (next_ >= args_.size()) {
            return;
        }
        out_ += "%!(extra ";
        for (std::size_t i = next_; i < args_.size(); ++i) {
            const ArgKind kind = args_[i].kind();
            out_ += i > next_ ? ", " : "";
            out_ += KindName(kind);
            out_ += '=';
            out_ += Render(Field{.conversion = DefaultConversion(kind)}, args_[i]);
        }
        out_ += ')';
    }

    std::span<const FormatArg> args_;
    std::size_t next_ = 0;
    std::string out_;
};

}  // namespace

std::string_view FormatArg::Text(std::string& scratch) const {
    if (const auto* text = std::get_if<std::string_view>(&value_)) {
        return *text;
    }
    scratch = Utf16ToUtf8(std::get<std::u16string_view>(value_));
    return scratch;
}

std::string FormatRuntime(std::string_view fmt, std::span<const FormatArg> args) {
    return Engine(args).Run(fmt);
}

}  // namespace platform
