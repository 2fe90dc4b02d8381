#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

// printf-style formatting for log lines that never hands a caller's arguments to the C library.
// Each argument is captured together with its type, so a conversion that does not fit its
// argument is refused at compile time (literal formats) or shown as a visible marker (formats
// known only at run time) instead of reading the wrong thing.
//
// Differences from C worth knowing:
// - Length modifiers (h hh l ll z j t L w I I32 I64) are accepted and ignored: the argument's
//   own type decides its size, with C's promotion rules, so "%d" of 0xFFFFFFFFu is -1.
// - "%s", "%S", "%ls" and "%ws" all take a string (UTF-8, or UTF-16 converted to UTF-8); width
//   and precision count characters, not bytes, so that columns line up and text is never cut
//   inside a character.
// - "%c" takes a char (written as that byte) or an integer code point (written as UTF-8).
// - "%p" prints "0x" and lower-case hex digits; "%n" and positional arguments do not exist.
// - Widths and generated digits are capped at 4096 so that no format can exhaust memory.
namespace platform {

enum class ArgKind : std::uint8_t {
    kSigned,
    kUnsigned,  // bool included
    kChar,
    kDouble,
    kString,
    kPointer,
    kUnsupported,
};

namespace format_detail {

template <typename T>
consteval ArgKind KindOf() {
    using U = std::remove_cvref_t<T>;
    if constexpr (std::is_enum_v<U>) {
        return KindOf<std::underlying_type_t<U>>();
    } else if constexpr (std::is_same_v<U, char>) {
        return ArgKind::kChar;
    } else if constexpr (std::is_integral_v<U>) {
        return std::is_signed_v<U> ? ArgKind::kSigned : ArgKind::kUnsigned;
    } else if constexpr (std::is_same_v<U, float> || std::is_same_v<U, double>) {
        return ArgKind::kDouble;
    } else if constexpr (std::is_null_pointer_v<U>) {
        return ArgKind::kPointer;
    } else if constexpr (std::is_convertible_v<const U&, std::string_view> ||
                         std::is_convertible_v<const U&, std::u16string_view>) {
        return ArgKind::kString;
    } else if constexpr (std::is_pointer_v<U> && !std::is_function_v<std::remove_pointer_t<U>>) {
        return ArgKind::kPointer;
    } else {
        return ArgKind::kUnsupported;
    }
}

// Strings come as views; a null C string reads as "(null)" and a character array stops at its
// first NUL or its end, whichever comes first.
template <typename Char, typename T>
std::basic_string_view<Char> TextOf(const T& value) {
    if constexpr (std::is_array_v<T>) {
        const Char* end = std::char_traits<Char>::find(value, std::extent_v<T>, Char{});
        return {value, end != nullptr ? static_cast<std::size_t>(end - value) : std::extent_v<T>};
    } else if constexpr (std::is_pointer_v<T>) {
        if (value != nullptr) {
            return value;
        }
        if constexpr (std::is_same_v<Char, char>) {
            return "(null)";
        } else {
            return u"(null)";
        }
    } else {
        return value;
    }
}

}  // namespace format_detail

template <typename T>
concept Formattable = format_detail::KindOf<T>()
!= ArgKind::kUnsupported;

// One captured argument. It refers to the caller's string rather than copying it, so it must
// not outlive the value it was made from.
class FormatArg {
public:
    template <Formattable T>
    FormatArg(const T& value)  // NOLINT(google-explicit-constructor): a stand-in for `value`
        : kind_(format_detail::KindOf<T>()) {
        using U = std::remove_cvref_t<T>;
        if constexpr (format_detail::KindOf<T>() == ArgKind::kDouble) {
            value_ = static_cast<double>(value);
        } else if constexpr (format_detail::KindOf<T>() == ArgKind::kString) {
            CaptureText(value);
        } else if constexpr (std::is_null_pointer_v<U>) {
            value_ = std::uint64_t{0};
        } else if constexpr (std::is_pointer_v<U>) {
            value_ = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(value));
        } else {
            int_bytes_ = sizeof(U);
            value_ = static_cast<std::uint64_t>(value);
        }
    }

    ArgKind kind() const { return kind_; }
    // Integers (two's complement, extended to 64 bits by their own signedness), chars and
    // pointer addresses.
    std::uint64_t bits() const { return std::get<std::uint64_t>(value_); }
    // The size of the integer's own type, which C's promotion rules need.
    std::size_t int_bytes() const { return int_bytes_; }
    double real() const { return std::get<double>(value_); }
    // The text as UTF-8; UTF-16 text is converted into `scratch`.
    std::string_view Text(std::string& scratch) const;

private:
    template <typename T>
    void CaptureText(const T& value) {
        if constexpr (std::is_convertible_v<const T&, std::string_view>) {
            value_ = format_detail::TextOf<char>(value);
        } else {
            value_ = format_detail::TextOf<char16_t>(value);
        }
    }

    ArgKind kind_;
    std::uint8_t int_bytes_ = 0;
    std::variant<std::uint64_t, double, std::string_view, std::u16string_view> value_;
};

namespace format_detail {

enum Flag : std::uint8_t {
    kLeft = 1,
    kPlus = 2,
    kSpace = 4,
    kAlternate = 8,
    kZeroPad = 16,
};

enum class DirectiveError : std::uint8_t { kNone, kIncomplete, kUnknownConversion };

// One "%..." directive. `conversion` is '%' for "%%"; for an unknown conversion it is the
// offending character when that is printable ASCII (and then part of the directive), else 0.
struct Directive {
    std::size_t length = 0;  // bytes from the '%' on
    std::uint8_t flags = 0;
    bool width_from_arg = false;
    int width = 0;
    bool precision_from_arg = false;
    bool has_precision = false;
    int precision = 0;
    char conversion = 0;
    DirectiveError error = DirectiveError::kNone;
};

constexpr bool IsConversion(char c) {
    return std::string_view("diuxXocsSfFeEgGp").find(c) != std::string_view::npos;
}

constexpr bool IsIntegerKind(ArgKind kind) {
    return kind == ArgKind::kSigned || kind == ArgKind::kUnsigned;
}

constexpr bool Accepts(char conversion, ArgKind kind) {
    const auto among = [conversion](std::string_view set) {
        return set.find(conversion) != std::string_view::npos;
    };
    if (among("diuxXoc")) {
        return IsIntegerKind(kind) || kind == ArgKind::kChar;
    }
    if (among("sS")) {
        return kind == ArgKind::kString;
    }
    if (among("fFeEgG")) {
        return kind == ArgKind::kDouble;
    }
    return conversion == 'p' && kind == ArgKind::kPointer;
}

constexpr std::uint8_t FlagOf(char c) {
    switch (c) {
        case '-':
            return kLeft;
        case '+':
            return kPlus;
        case ' ':
            return kSpace;
        case '#':
            return kAlternate;
        case '0':
            return kZeroPad;
        default:
            return 0;
    }
}

// Saturates so that an absurd number cannot overflow; what it may generate is capped later.
constexpr std::size_t ParseNumber(std::string_view fmt, std::size_t pos, int& value) {
    value = 0;
    for (; pos < fmt.size() && fmt[pos] >= '0' && fmt[pos] <= '9'; ++pos) {
        value = value * 10 + (fmt[pos] - '0');
        value = value > 100'000'000 ? 100'000'000 : value;
    }
    return pos;
}

constexpr std::size_t ParseWidth(std::string_view fmt, std::size_t pos, Directive& d) {
    if (pos < fmt.size() && fmt[pos] == '*') {
        d.width_from_arg = true;
        return pos + 1;
    }
    return ParseNumber(fmt, pos, d.width);
}

constexpr std::size_t ParsePrecision(std::string_view fmt, std::size_t pos, Directive& d) {
    if (pos >= fmt.size() || fmt[pos] != '.') {
        return pos;
    }
    d.has_precision = true;
    if (pos + 1 < fmt.size() && fmt[pos + 1] == '*') {
        d.precision_from_arg = true;
        return pos + 2;
    }
    return ParseNumber(fmt, pos + 1, d.precision);
}

constexpr std::size_t SkipLengthModifier(std::string_view fmt, std::size_t pos) {
    const std::string_view rest = fmt.substr(pos);
    for (std::string_view modifier :
         {"I64", "I32", "hh", "ll", "h", "l", "z", "j", "t", "L", "w", "I"}) {
        if (rest.starts_with(modifier)) {
            return pos + modifier.size();
        }
    }
    return pos;
}

// `start` is the position of a '%' in `fmt`.
constexpr Directive ParseDirective(std::string_view fmt, std::size_t start) {
    Directive d;
    std::size_t pos = start + 1;
    if (pos < fmt.size() && fmt[pos] == '%') {
        d.conversion = '%';
        d.length = 2;
        return d;
    }
    for (; pos < fmt.size() && FlagOf(fmt[pos]) != 0; ++pos) {
        d.flags |= FlagOf(fmt[pos]);
    }
    pos = SkipLengthModifier(fmt, ParsePrecision(fmt, ParseWidth(fmt, pos, d), d));
    if (pos >= fmt.size()) {
        d.error = DirectiveError::kIncomplete;
        d.length = fmt.size() - start;
        return d;
    }
    const char c = fmt[pos];
    if (IsConversion(c)) {
        d.conversion = c;
        d.length = pos + 1 - start;
        return d;
    }
    // A non-ASCII byte stays in the text so that a multi-byte character is not split.
    d.error = DirectiveError::kUnknownConversion;
    const bool printable = c > ' ' && c < 0x7F;
    d.conversion = printable ? c : 0;
    d.length = pos + (printable ? 1 : 0) - start;
    return d;
}

// Deliberately not constexpr: reaching one of these while a FormatString is checked turns the
// bad format into a compile error that names the problem.
void FormatArgumentTypeIsNotSupported();
void FormatDirectiveIsInvalid();
void FormatHasTooFewArguments();
void FormatHasTooManyArguments();
void FormatStarNeedsAnIntegerArgument();
void FormatConversionDoesNotMatchArgument();

consteval void CheckFormat(std::string_view fmt, std::span<const ArgKind> kinds) {
    for (ArgKind kind : kinds) {
        if (kind == ArgKind::kUnsupported) {
            FormatArgumentTypeIsNotSupported();
        }
    }
    std::size_t next = 0;
    const auto take = [&] {
        if (next == kinds.size()) {
            FormatHasTooFewArguments();
        }
        return kinds[next++];
    };
    for (std::size_t pos = fmt.find('%'); pos != std::string_view::npos; pos = fmt.find('%', pos)) {
        const Directive d = ParseDirective(fmt, pos);
        pos += d.length;
        if (d.error != DirectiveError::kNone) {
            FormatDirectiveIsInvalid();
        }
        if (d.conversion == '%') {
            continue;
        }
        if (d.width_from_arg && !IsIntegerKind(take())) {
            FormatStarNeedsAnIntegerArgument();
        }
        if (d.precision_from_arg && !IsIntegerKind(take())) {
            FormatStarNeedsAnIntegerArgument();
        }
        if (!Accepts(d.conversion, take())) {
            FormatConversionDoesNotMatchArgument();
        }
    }
    if (next != kinds.size()) {
        FormatHasTooManyArguments();
    }
}

}  // namespace format_detail

// A format checked against the argument types when it is a literal.
template <typename... Args>
struct FormatString {
    // NOLINTNEXTLINE(google-explicit-constructor): literals must convert implicitly
    consteval FormatString(const char* s) : text(s) {
        constexpr std::array<ArgKind, sizeof...(Args)> kKinds{format_detail::KindOf<Args>()...};
        format_detail::CheckFormat(text, kKinds);
    }

    std::string_view text;
};

// For formats known only at run time. A mismatch never reads a wrong argument: it renders a
// marker such as "%!d(string)" or "%!d(missing)"; unused arguments are appended as
// "%!(extra int=5, string=abc)", a broken directive as "%!(incomplete)" or "%!y(unknown)".
std::string FormatRuntime(std::string_view fmt, std::span<const FormatArg> args);

template <typename... Args>
std::string Format(FormatString<std::type_identity_t<Args>...> fmt, const Args&... args) {
    const std::array<FormatArg, sizeof...(Args)> captured{FormatArg(args)...};
    return FormatRuntime(fmt.text, captured);
}

}  // namespace platform
