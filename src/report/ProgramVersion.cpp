#include "report/ProgramVersion.h"

#include <cstddef>

#include "platform/Format.h"

#ifndef QUIRE_BUILD_NUMBER
#define QUIRE_BUILD_NUMBER 1
#endif

namespace report {
namespace {

constexpr int kMajor = 1;
constexpr int kMinor = 0;
constexpr int kPatch = 0;
constexpr int kBuild = QUIRE_BUILD_NUMBER;
constexpr int kVersionParts = 4;
constexpr std::size_t kMaxPartDigits = 9;

bool IsDecimal(std::string_view part) {
    if (part.empty() || part.size() > kMaxPartDigits)
        return false;
    for (char c : part) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

}  // namespace

std::string ProgramVersion() {
    return platform::Format("%d.%d.%d.%d", kMajor, kMinor, kPatch, kBuild);
}

int LastVersionComponent(std::string_view version) {
    std::string_view part;
    for (int i = 0; i < kVersionParts; ++i) {
        const std::size_t dot = version.find('.');
        const bool last = i == kVersionParts - 1;
        if ((dot == std::string_view::npos) != last)
            return -1;
        part = version.substr(0, dot);
        if (!IsDecimal(part))
            return -1;
        version.remove_prefix(last ? version.size() : dot + 1);
    }
    int value = 0;
    for (char c : part)
        value = value * 10 + (c - '0');
    return value;
}

int ProgramBuildNumber() {
    return LastVersionComponent(ProgramVersion());
}

}  // namespace report
