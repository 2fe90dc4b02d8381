#include "reconstruct/CellValue.h"

#include <array>
#include <charconv>
#include <optional>

namespace reconstruct {
namespace {

// More significant digits than a double keeps exactly: such "numbers" are identifiers.
constexpr int kMaxSignificantDigits = 15;
// The general format switches to scientific notation beyond this many integer digits.
constexpr int kMaxGeneralDigits = 11;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool StripPrefix(std::string_view* text, std::string_view prefix) {
    if (!text->starts_with(prefix))
        return false;
    text->remove_prefix(prefix.size());
    return true;
}

bool StripSuffix(std::string_view* text, std::string_view suffix) {
    if (!text->ends_with(suffix))
        return false;
    text->remove_suffix(suffix.size());
    return true;
}

std::string_view Trimmed(std::string_view text) {
    static constexpr std::array<std::string_view, 6> kSpaces = {" ",  "\t",     "\r",
                                                                "\n", "\u00A0", "\u3000"};
    for (bool stripped = true; stripped;) {
        stripped = false;
        for (std::string_view space : kSpaces)
            stripped = StripPrefix(&text, space) || StripSuffix(&text, space) || stripped;
    }
    return text;
}

// ---- dates ----

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to a proleptic Gregorian date.
long DaysSinceEpoch(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const long era = year / 400;
    const long year_of_era = year - era * 400;
    const long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

// Reads 1..max_digits digits.
std::optional<int> ReadInt(std::string_view* text, std::size_t max_digits) {
    std::size_t length = 0;
    while (length < text->size() && IsDigit((*text)[length]))
        ++length;
    if (length == 0 || length > max_digits)
        return std::nullopt;
    int value = 0;
    std::from_chars(text->data(), text->data() + length, value);
    text->remove_prefix(length);
    return value;
}

// Year first with a four-digit year is the only order that cannot be misread; "01/02/2024"
// could be either January or February and stays text.
std::optional<double> ParseDate(std::string_view text) {
    std::string_view rest = text;
    const auto year = ReadInt(&rest, 4);
    if (!year || text.size() - rest.size() != 4)
        return std::nullopt;
    std::string_view month_mark, day_mark;
    if (StripPrefix(&rest, "年")) {
        month_mark = "月";
        day_mark = "日";
    } else if (!rest.empty() && (rest[0] == '-' || rest[0] == '/' || rest[0] == '.')) {
        month_mark = rest.substr(0, 1);
        rest.remove_prefix(1);
    } else {
        return std::nullopt;
    }
    const auto month = ReadInt(&rest, 2);
    if (!month || !StripPrefix(&rest, month_mark))
        return std::nullopt;
    const auto day = ReadInt(&rest, 2);
    if (!day || !(day_mark.empty() || StripPrefix(&rest, day_mark)) || !rest.empty())
        return std::nullopt;
    // Before 1901 the 1900 system's serials are off by one (its phantom 29 February 1900).
    if (*year < 1901 || *month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month))
        return std::nullopt;
    constexpr long kSerialOfEpoch = 25569;  // 1970-01-01
    return static_cast<double>(DaysSinceEpoch(*year, *month, *day) + kSerialOfEpoch);
}

// ---- numbers ----

struct NumberText {
    bool negative = false;
    bool parentheses = false;
    bool percent = false;
    std::string_view currency;
    bool grouped = false;
    std::string digits;  // integer digits, '.', fraction digits
    int integer_digits = 0;
    int decimals = 0;
};

std::string_view StripCurrency(std::string_view* text) {
    static constexpr std::array<std::string_view, 5> kSymbols = {"$", "¥", "￥", "€", "£"};
    for (std::string_view symbol : kSymbols) {
        if (StripPrefix(text, symbol))
            return symbol;
    }
    return {};
}

bool StripSign(std::string_view* text, bool* negative) {
    if (StripPrefix(text, "-") || StripPrefix(text, "\u2212")) {
        *negative = true;
        return true;
    }
    return StripPrefix(text, "+");
}

// Integer digits, optionally grouped in thousands ("1,234,567"), into `number->digits`.
bool ReadIntegerPart(std::string_view* text, NumberText* number) {
    std::size_t group = 0;
    bool first_group = true;
    while (!text->empty() && (IsDigit(text->front()) || text->front() == ',')) {
        const char c = text->front();
        text->remove_prefix(1);
        if (c != ',') {
            number->digits += c;
            ++group;
            continue;
        }
        if (group == 0 || group > 3 || (!first_group && group != 3))
            return false;
        number->grouped = true;
        first_group = false;
        group = 0;
    }
    if (number->grouped && group != 3)
        return false;
    number->integer_digits = static_cast<int>(number->digits.size());
    const bool leading_zero = number->digits.size() > 1 && number->digits[0] == '0';
    return !leading_zero;
}

bool ReadBody(std::string_view text, NumberText* number) {
    if (!ReadIntegerPart(&text, number))
        return false;
    if (StripPrefix(&text, ".")) {
        number->digits += '.';
        while (!text.empty() && IsDigit(text.front())) {
            number->digits += text.front();
            ++number->decimals;
            text.remove_prefix(1);
        }
        if (number->decimals == 0)
            return false;
    }
    if (!text.empty() || number->integer_digits + number->decimals == 0)
        return false;
    const std::size_t first = number->digits.find_first_not_of("0.");
    int significant = 0;
    for (std::size_t i = first; i < number->digits.size(); ++i)
        significant += IsDigit(number->digits[i]) ? 1 : 0;
    return significant <= kMaxSignificantDigits;
}

std::optional<NumberText> SplitNumber(std::string_view text) {
    NumberText number;
    if (text.starts_with("(") && StripSuffix(&text, ")")) {
        text.remove_prefix(1);
        number.parentheses = true;
    }
    const bool signed_first = StripSign(&text, &number.negative);
    number.currency = StripCurrency(&text);
    if (!signed_first && !number.currency.empty())
        StripSign(&text, &number.negative);
    number.percent = StripSuffix(&text, "%") || StripSuffix(&text, "％");
    if (number.parentheses && number.negative)
        return std::nullopt;
    if (number.percent && !number.currency.empty())
        return std::nullopt;
    if (!ReadBody(text, &number))
        return std::nullopt;
    return number;
}

std::string FormatOf(const NumberText& number) {
    const bool general = !number.grouped && number.decimals == 0 && !number.percent &&
                         number.currency.empty() && !number.parentheses &&
                         number.integer_digits <= kMaxGeneralDigits;
    if (general)
        return {};
    std::string core = number.grouped ? "#,##0" : "0";
    if (number.decimals > 0)
        core += "." + std::string(number.decimals, '0');
    if (number.percent)
        core += "%";
    if (number.currency == "$")
        core = "$" + core;
    else if (!number.currency.empty())
        core = "\"" + std::string(number.currency) + "\"" + core;
    return number.parentheses ? core + ";(" + core + ")" : core;
}

}  // namespace

CellValue ParseCellValue(std::string_view text) {
    CellValue value;
    text = Trimmed(text);
    value.text = std::string(text);
    if (text.empty())
        return value;
    if (const auto serial = ParseDate(text)) {
        value.kind = CellValue::Kind::kDate;
        value.number = *serial;
        value.number_format = "yyyy-mm-dd";
        return value;
    }
    const auto number = SplitNumber(text);
    if (!number) {
        value.kind = CellValue::Kind::kText;
        return value;
    }
    double magnitude = 0;
    const std::string& digits = number->digits;
    std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    value.kind = CellValue::Kind::kNumber;
    value.number = (number->negative || number->parentheses ? -magnitude : magnitude) /
                   (number->percent ? 100 : 1);
    value.number_format = FormatOf(*number);
    return value;
}

}  // namespace reconstruct
