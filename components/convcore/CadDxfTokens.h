#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The group code / value pairs of an ASCII DXF text, and the records they form (a pair with
// code 0 and everything up to the next one).
namespace convcore {

struct DxfPair {
    int code = 0;
    std::string_view value;  // the line as it stands, without its line end
};

// Splits a DXF text into pairs. A code line that is not a number is skipped on its own, which
// brings a file with a stray line back into step; a code without a value line ends the text.
class DxfTokenizer {
public:
    explicit DxfTokenizer(std::string_view text) : text_(text) {}

    bool Next(DxfPair* pair);
    std::size_t Offset() const { return offset_; }
    std::size_t PairsRead() const { return pairs_; }
    std::size_t LinesSkipped() const { return skipped_; }

private:
    std::optional<std::string_view> Line();

    std::string_view text_;
    std::size_t offset_ = 0;
    std::size_t pairs_ = 0;
    std::size_t skipped_ = 0;
};

// One record: its type (the value of its code-0 pair) and the pairs after it.
class DxfRecord {
public:
    std::string_view type;
    std::vector<DxfPair> pairs;

    // Empties the record for a new one of `record_type`; the pairs' storage is kept.
    void Start(std::string_view record_type);
    // The first value of `code`; empty when absent.
    std::string_view Text(int code) const;
    bool Has(int code) const;
    // The first value of `code` read as a number; `fallback` when absent. A value that is
    // present but not a finite number marks the record as damaged.
    double Number(int code, double fallback) const;
    int Integer(int code, int fallback) const;
    // Every value of `code`, in order, read as numbers.
    std::vector<double> Numbers(int code) const;
    bool Damaged() const { return damaged_; }
    void MarkDamaged() const { damaged_ = true; }

private:
    mutable bool damaged_ = false;  // set while the record is read, by the reading thread
};

// Reads records from a tokenizer: one pair of look-ahead, and a bound on the pairs one record
// may hold (a record beyond it is read through but comes back without pairs, damaged).
class DxfRecordReader {
public:
    DxfRecordReader(DxfTokenizer& tokens, std::size_t max_record_pairs);

    bool Next(DxfRecord* record);

private:
    DxfTokenizer& tokens_;
    const std::size_t max_record_pairs_;
    std::optional<DxfPair> ahead_;
};

// Numbers as DXF writes them: surrounding blanks allowed, nothing else. Non-finite values fail.
std::optional<double> ParseDxfNumber(std::string_view text);
std::optional<long long> ParseDxfInteger(std::string_view text);
std::string_view TrimDxf(std::string_view text);

// The sentinel that starts a binary DXF file.
bool IsBinaryDxf(std::string_view bytes);

}  // namespace convcore
