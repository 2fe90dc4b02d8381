#include "convcore/CadDxfTokens.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace convcore {
namespace {

constexpr std::string_view kBinarySentinel = "AutoCAD Binary DXF";

}  // namespace

std::string_view TrimDxf(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::optional<double> ParseDxfNumber(std::string_view text) {
    text = TrimDxf(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> ParseDxfInteger(std::string_view text) {
    const std::string_view trimmed = TrimDxf(text);
    long long value = 0;
    const auto [end, failure] =
        std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
    if (failure == std::errc() && end == trimmed.data() + trimmed.size())
        return value;
    // Some writers put integral values in real form.
    const std::optional<double> real = ParseDxfNumber(trimmed);
    constexpr double kLimit = static_cast<double>(std::numeric_limits<int>::max());
    if (real && *real == std::floor(*real) && std::fabs(*real) <= kLimit)
        return static_cast<long long>(*real);
    return std::nullopt;
}

bool IsBinaryDxf(std::string_view bytes) {
    return bytes.substr(0, kBinarySentinel.size()) == kBinarySentinel;
}

std::optional<std::string_view> DxfTokenizer::Line() {
    if (offset_ >= text_.size())
        return std::nullopt;
    std::size_t end = text_.find('\n', offset_);
    if (end == std::string_view::npos)
        end = text_.size();
    std::string_view line = text_.substr(offset_, end - offset_);
    offset_ = end + 1;
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool DxfTokenizer::Next(DxfPair* pair) {
    for (;;) {
        const std::optional<std::string_view> code_line = Line();
        if (!code_line)
            return false;
        const std::optional<long long> code = ParseDxfInteger(*code_line);
        if (!code || *code < 0 || *code > 1071) {
            ++skipped_;
            continue;
        }
        const std::optional<std::string_view> value = Line();
        if (!value)
            return false;
        pair->code = static_cast<int>(*code);
        pair->value = *value;
        ++pairs_;
        return true;
    }
}

std::string_view DxfRecord::Text(int code) const {
    for (const DxfPair& pair : pairs) {
        if (pair.code == code)
            return pair.value;
    }
    return {};
}

bool DxfRecord::Has(int code) const {
    for (const DxfPair& pair : pairs) {
        if (pair.code == code)
            return true;
    }
    return false;
}

double DxfRecord::Number(int code, double fallback) const {
    for (const DxfPair& pair : pairs) {
        if (pair.code != code)
            continue;
        const std::optional<double> value = ParseDxfNumber(pair.value);
        if (!value)
            MarkDamaged();
        return value.value_or(fallback);
    }
    return fallback;
}

int DxfRecord::Integer(int code, int fallback) const {
    for (const DxfPair& pair : pairs) {
        if (pair.code != code)
            continue;
        const std::optional<long long> value = ParseDxfInteger(pair.value);
        if (!value || *value < std::numeric_limits<int>::min() ||
            *value > std::numeric_limits<int>::max()) {
            MarkDamaged();
            return fallback;
        }
        return static_cast<int>(*value);
    }
    return fallback;
}

std::vector<double> DxfRecord::Numbers(int code) const {
    std::vector<double> values;
    for (const DxfPair& pair : pairs) {
        if (pair.code != code)
            continue;
        const std::optional<double> value = ParseDxfNumber(pair.value);
        if (!value)
            MarkDamaged();
        values.push_back(value.value_or(0));
    }
    return values;
}

void DxfRecord::Start(std::string_view record_type) {
    type = record_type;
    pairs.clear();
    damaged_ = false;
}

DxfRecordReader::DxfRecordReader(DxfTokenizer& tokens, std::size_t max_record_pairs)
    : tokens_(tokens), max_record_pairs_(max_record_pairs) {}

bool DxfRecordReader::Next(DxfRecord* record) {
    DxfPair pair;
    // Pairs before the first record belong to nothing.
    while (!ahead_ || ahead_->code != 0) {
        if (!tokens_.Next(&pair))
            return false;
        ahead_ = pair;
    }
    record->Start(TrimDxf(ahead_->value));
    ahead_.reset();
    bool oversized = false;
    while (tokens_.Next(&pair)) {
        if (pair.code == 0) {
            ahead_ = pair;
            break;
        }
        if (record->pairs.size() >= max_record_pairs_)
            oversized = true;
        else
            record->pairs.push_back(pair);
    }
    if (oversized) {
        record->pairs.clear();
        record->MarkDamaged();
    }
    return true;
}

}  // namespace convcore
