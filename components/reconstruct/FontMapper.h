#pragma once

#include <filesystem>
#include <string>

namespace reconstruct {

// The installed family to name in a written document for a PDF font, so that the document
// looks alike when opened on this machine: well-known PDF fonts map to their installed
// equivalents, other names go to fontconfig, and Chinese text gets a face that covers it.
// Only installed families come back. Cached; safe to call from several threads.
std::string InstalledFamily(const std::string& pdf_name, bool bold, bool italic, bool monospace,
                            bool serif, bool cjk);

// Reads the installed faces ahead of the first InstalledFamily, which would otherwise pay for it;
// nothing to do when matches kept on disk were loaded.
void WarmFontMatching();

// Keeps matches in `file` between processes (see FontMatchStore.h): what it holds is loaded on
// first use, and each new match is added. Call before the first InstalledFamily.
void KeepFontMatchesIn(const std::filesystem::path& file);

}  // namespace reconstruct
