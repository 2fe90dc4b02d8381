#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

// Reads switches from a raw command line: a dash or a slash, a key, and optionally a colon and
// a value, quoted when it holds spaces ("-kpath:\"/home/me/a b.pdf\" /type:3"). Keys are
// case-insensitive; the first occurrence of a key wins.
class CCmdLineParser {
public:
    CCmdLineParser() = default;
    virtual ~CCmdLineParser() = default;

    // True when at least one key was found.
    bool Parse(std::string_view command_line);

    bool HasKey(std::string_view key) const;
    std::optional<std::string> GetValue(std::string_view key) const;
    bool GetValue(std::string_view key, std::string* value) const;

    const std::string& CommandLine() const { return command_line_; }

private:
    void Store(std::string_view key, std::string_view value);

    std::string command_line_;
    std::map<std::string, std::string> values_;  // lower-cased key → value
};

// The command line of this process rebuilt from argv (without argv[0]), in the form that
// CCmdLineParser reads back: an argument holding white space stays one argument, and a
// switch's value holding white space is quoted after its colon.
std::string RawCommandLineFromArgv(int argc, const char* const* argv);
