#include "convcore/PageToolRecord.h"

#include "convcore/RecordFields.h"
#include "platform/Format.h"

namespace convcore {
namespace {

const Json::Value* ArrayMember(const Json::Value& record, const char* key) {
    if (!record.isObject())
        return nullptr;
    const Json::Value* member = record.find(key, key + std::char_traits<char>::length(key));
    return member != nullptr && member->isArray() ? member : nullptr;
}

bool ReadRange(const Json::Value& item, PageRange* range) {
    if (!item.isObject())
        return false;
    range->start = IntField(item, "start", 0);
    range->end = IntField(item, "end", 0);
    return true;
}

}  // namespace

bool ReadPageNumbers(const Json::Value& record, std::vector<int>* pages, std::string* error) {
    pages->clear();
    if (!record.isMember("pages"))
        return true;
    const Json::Value* list = ArrayMember(record, "pages");
    if (list == nullptr) {
        *error = "\"pages\" is not a list of page numbers";
        return false;
    }
    for (const Json::Value& item : *list) {
        if (!item.isInt()) {
            *error = "\"pages\" holds something other than a page number";
            return false;
        }
        pages->push_back(item.asInt());
    }
    return true;
}

bool ReadPageRanges(const Json::Value& record, std::vector<PageRange>* ranges, std::string* error) {
    ranges->clear();
    const Json::Value* list = ArrayMember(record, "page_range");
    if (list == nullptr || list->empty()) {
        *error = "no page ranges given";
        return false;
    }
    for (const Json::Value& item : *list) {
        PageRange range;
        if (!ReadRange(item, &range)) {
            *error = "a page range is not an object with \"start\" and \"end\"";
            return false;
        }
        ranges->push_back(range);
    }
    return true;
}

bool ReadMergeEntries(const Json::Value& record, std::vector<MergeEntry>* entries,
                      std::string* error) {
    entries->clear();
    const Json::Value* list = ArrayMember(record, "source_file_list");
    if (list == nullptr || list->empty()) {
        *error = "no files to merge";
        return false;
    }
    for (const Json::Value& item : *list) {
        MergeEntry entry;
        if (!ReadRange(item, &entry.range)) {
            *error = "a file to merge is not described by an object";
            return false;
        }
        entry.file = TextField(item, "file_path");
        entry.password = TextField(item, "password");
        entries->push_back(std::move(entry));
    }
    return true;
}

bool ReadMergeFiles(const Json::Value& record, std::vector<MergeEntry>* entries,
                    std::string* error) {
    entries->clear();
    const Json::Value* list = ArrayMember(record, "files");
    if (list == nullptr || list->empty()) {
        *error = "no files to merge";
        return false;
    }
    const std::string password = TextField(record, "password");
    for (const Json::Value& item : *list) {
        if (!item.isString()) {
            *error = "\"files\" holds something other than a path";
            return false;
        }
        entries->push_back(MergeEntry{item.asString(), password, PageRange{}});
    }
    return true;
}

bool CheckPageNumbers(const std::vector<int>& pages, int page_count, std::string* error) {
    for (const int page : pages) {
        if (page < 1 || page > page_count) {
            *error = platform::Format("page %d does not exist: the document has %d pages", page,
                                      page_count);
            return false;
        }
    }
    return true;
}

bool CheckPageRange(const PageRange& range, int page_count, std::string* error) {
    if (range.start < 1 || range.end < range.start || range.end > page_count) {
        *error = platform::Format("pages %d-%d do not exist: the document has %d pages",
                                  range.start, range.end, page_count);
        return false;
    }
    return true;
}

std::vector<int> RangeIndexes(const PageRange& range) {
    std::vector<int> indexes;
    for (int page = range.start; page <= range.end; ++page)
        indexes.push_back(page - 1);
    return indexes;
}

}  // namespace convcore
