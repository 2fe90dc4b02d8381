#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The switches of an argument vector ("-key", "/key:value", "--key=value", "-key value") and its
// positional arguments; also the builder of a child copy's command line. Keys keep their case.
class KCmdArgs {
public:
    using ValueMap = std::map<std::string, std::string, std::less<>>;

    KCmdArgs() = default;
    // `arguments` is a whole argv: its first entry, the program's own path, is always
    // positional. Elsewhere an argument starting with "/" or "-" is a switch unless its key
    // would hold a "/": that is an absolute path (so "/tmp" alone still reads as a switch).
    explicit KCmdArgs(const std::vector<std::string>& arguments);
    KCmdArgs(int argc, const char* const* argv);

    bool HasKey(std::string_view key) const;
    // Present with a non-empty value.
    bool HasValue(std::string_view key) const;
    // The value read with the `_wtoi` rules; 0 when absent.
    int GetInt(std::string_view key) const;
    // Empty when absent.
    std::string GetValue(std::string_view key) const;

    void SetValue(std::string_view key, std::string_view value);
    // Stores the value as QuoteCommandLineArgument writes it, so that it survives
    // ToCommandLine and the child's split (a path with spaces or quotes, say).
    void SetQuotedValue(std::string_view key, std::string_view value);

    // Positional arguments, each followed by one space, then "-key" ["=value"] and one space
    // for each entry in key order. Values go out as stored. A positional argument that would
    // not survive the split (empty, or holding a space, tab or quote) is quoted.
    std::string ToCommandLine() const;

    const std::vector<std::string>& Positional() const { return positional_; }
    const ValueMap& Values() const { return values_; }

private:
    void Parse(const std::vector<std::string>& arguments);
    void Store(std::string key, std::string value);

    std::vector<std::string> positional_;
    ValueMap values_;
};

// The arguments to hand platform::Process::Spawn for a child started with args.ToCommandLine():
// that line split again, without its first word when it is the first positional argument
// (the program's path, which Spawn takes apart).
std::vector<std::string> ChildArguments(const KCmdArgs& args);
