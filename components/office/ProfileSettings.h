#pragma once

#include <filesystem>
#include <string>

namespace officehelper {

// Writes the settings every conversion relies on into the profile's user folder before
// LibreOffice starts on it (creating the folders); false with the reason when it cannot.
bool WriteProfileSettings(const std::filesystem::path& profile_folder, std::string* error);

}  // namespace officehelper
