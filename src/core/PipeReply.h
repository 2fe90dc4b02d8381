#pragma once

#include <string>

// The two JSON replies of the program's pipe servers: {"info": text, "result": 1 or 0} on one
// line with a newline; "info" is left out when empty.
std::string SuccessReply(const std::string& info);
std::string FailureReply(const std::string& info);
