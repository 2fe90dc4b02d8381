#pragma once

#include <string>
#include <string_view>

namespace report {

// "major.minor.patch.build" of this program, fixed at compile time (QUIRE_BUILD_NUMBER sets the
// build component).
std::string ProgramVersion();

// The last component of a four-part version such as "1.0.0.2375"; -1 when `version` is not
// four dot-separated decimal numbers of 1 to 9 digits each.
int LastVersionComponent(std::string_view version);

// The build component of ProgramVersion(): the "ver" of usage records.
int ProgramBuildNumber();

}  // namespace report
