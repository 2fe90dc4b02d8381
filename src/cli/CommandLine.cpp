#include "cli/CommandLine.h"

#include "platform/Format.h"

namespace cli {
namespace {

bool IsHelp(const std::string& argument) {
    return argument == "--help" || argument == "-h";
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    ParseResult Run() {
        if (arguments_.empty())
            return Fail("no function given");
        if (IsHelp(arguments_[0])) {
            result_.invocation.help = true;
            return result_;
        }
        result_.invocation.function = FindFunction(arguments_[0]);
        if (!result_.invocation.function)
            return Fail(platform::Format("unknown function '%s'", arguments_[0]));
        for (next_ = 1; next_ < arguments_.size() && result_.error.empty();)
            TakeArgument();
        if (result_.error.empty() && !result_.invocation.help && result_.invocation.files.empty())
            Fail("no files given");
        return result_;
    }

private:
    void TakeArgument() {
        const std::string& argument = arguments_[next_++];
        if (only_files_ || argument.size() < 2 || argument[0] != '-') {
            result_.invocation.files.push_back(argument);
        } else if (argument == "--") {
            only_files_ = true;
        } else if (IsHelp(argument)) {
            result_.invocation.help = true;
        } else if (argument == "-o" || argument == "--output") {
            if (auto value = Value(argument))
                result_.invocation.output_folder = *value;
        } else if (argument.starts_with("--output=")) {
            result_.invocation.output_folder = argument.substr(9);
        } else if (argument.starts_with("--")) {
            TakeOption(argument.substr(2));
        } else {
            Fail(platform::Format("unknown option '%s'", argument));
        }
    }

    void TakeOption(const std::string& text) {
        const auto equals = text.find('=');
        const std::string name = text.substr(0, equals);
        const CliOption* option = FindOption(*result_.invocation.function, name);
        if (!option) {
            Fail(platform::Format("unknown option '--%s' for %s", name,
                                  result_.invocation.function->name));
            return;
        }
        if (option->value_name.empty()) {
            if (equals != std::string::npos)
                Fail(platform::Format("option '--%s' takes no value", name));
            else
                result_.invocation.options[name] = "";
            return;
        }
        if (equals != std::string::npos) {
            result_.invocation.options[name] = text.substr(equals + 1);
            return;
        }
        if (auto value = Value("--" + name))
            result_.invocation.options[name] = *value;
    }

    // The argument after an option that needs one.
    std::optional<std::string> Value(const std::string& option) {
        if (next_ >= arguments_.size()) {
            Fail(platform::Format("option '%s' needs a value", option));
            return std::nullopt;
        }
        return arguments_[next_++];
    }

    ParseResult Fail(const std::string& error) {
        if (result_.error.empty())
            result_.error = error;
        return result_;
    }

    const std::vector<std::string>& arguments_;
    std::size_t next_ = 0;
    bool only_files_ = false;
    ParseResult result_;
};

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& arguments) {
    return Parser(arguments).Run();
}

}  // namespace cli
