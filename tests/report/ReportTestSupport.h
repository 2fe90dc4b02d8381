#pragma once

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "report/IPDFTallylineAdapter.h"
#include "report/ITallylineClient2.h"

namespace report::test {

inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The file's lines without their line breaks; a last line without one is kept as it is.
inline std::vector<std::string> ReadLines(const std::filesystem::path& path) {
    const std::string text = ReadAll(path);
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

// The part of a usage log line before its time stamp.
inline std::string WithoutTime(const std::string& line) {
    return line.substr(0, line.rfind(",\"time\":"));
}

class MockAdapter : public IPDFTallylineAdapter {
public:
    MOCK_METHOD(int, Begin, (std::string_view schema), (override));
    MOCK_METHOD(int, SetInt, (std::string_view name, std::int32_t value), (override));
    MOCK_METHOD(int, SetString, (std::string_view name, std::string_view value), (override));
    MOCK_METHOD(int, ReportNow, (int flag), (override));
    MOCK_METHOD(int, Report, (), (override));
    MOCK_METHOD(int, SetInt64, (std::string_view name, std::uint32_t low, std::uint32_t high),
                (override));
};

// An outside client as a library would hand it out: it records every call and counts its
// releases. The test owns it; Release does not free it.
class MockClient : public ITallylineClient2 {
public:
    MOCK_METHOD(int, Initialize, (), (override));
    MOCK_METHOD(int, Begin, (const char* schema), (override));
    MOCK_METHOD(int, SetInt, (const char* name, std::int32_t value), (override));
    MOCK_METHOD(int, SetString, (const char* name, const char* value), (override));
    MOCK_METHOD(int, ReportNow, (int flag), (override));
    MOCK_METHOD(int, Report, (), (override));
    MOCK_METHOD(int, SetInt64, (const char* name, std::uint32_t low, std::uint32_t high),
                (override));
    MOCK_METHOD(void, Release, (), (override));
    ~MockClient() override = default;
};

}  // namespace report::test
