#pragma once

#include <json/value.h>

#include <string>
#include <vector>

// The page selections of the page-tool commands, read from their records. Numbers are 1-based
// as the program sends them; a selection is checked against the document once it is open.
namespace convcore {

struct PageRange {
    int start = 0;
    int end = 0;

    // A merge entry without a usable range takes the whole document.
    bool IsWholeDocument() const { return start <= 0 && end <= 0; }
};

struct MergeEntry {
    std::string file;
    std::string password;
    PageRange range;
};

// "pages": an array of page numbers; absent gives an empty list. False with the reason when
// the member is not an array of integers.
bool ReadPageNumbers(const Json::Value& record, std::vector<int>* pages, std::string* error);

// "page_range": a non-empty array of {"start", "end"}.
bool ReadPageRanges(const Json::Value& record, std::vector<PageRange>* ranges, std::string* error);

// "source_file_list": a non-empty array of {"file_path", "password", "start", "end"}.
bool ReadMergeEntries(const Json::Value& record, std::vector<MergeEntry>* entries,
                      std::string* error);

// "files": a non-empty array of paths, each merged whole with the record's "password".
bool ReadMergeFiles(const Json::Value& record, std::vector<MergeEntry>* entries,
                    std::string* error);

// False with the reason when a page lies outside 1..page_count.
bool CheckPageNumbers(const std::vector<int>& pages, int page_count, std::string* error);
bool CheckPageRange(const PageRange& range, int page_count, std::string* error);

// 0-based page indexes of a range, first to last.
std::vector<int> RangeIndexes(const PageRange& range);

}  // namespace convcore
