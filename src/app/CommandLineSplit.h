#pragma once

#include <string>
#include <string_view>
#include <vector>

// One command-line string to an argument vector and back, with the Windows quoting rules, so
// that a command line built for a child copy of this program can be started with an argv
// (never through a shell):
// - spaces and tabs outside double quotes separate arguments;
// - a double quote toggles quoting and is dropped;
// - 2n backslashes before a double quote give n backslashes and the quote toggles; 2n+1
//   backslashes before a double quote give n backslashes and a literal quote;
// - backslashes anywhere else are literal.
// Every argument is read by the same rules, the first one included.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

// The argument written so that SplitCommandLine reads it back unchanged as (part of) one
// argument: every double quote escaped with a backslash (and the backslashes right before it
// doubled), wrapped in double quotes when it holds a space or a tab (doubling the backslashes
// at its end). Text without quotes, tabs and backslashes before a quote or the end comes out
// exactly as "replace each quote by backslash-quote, wrap in quotes when it holds a space".
// An empty text stays empty: alone it would vanish in the split.
std::string QuoteCommandLineArgument(std::string_view text);
