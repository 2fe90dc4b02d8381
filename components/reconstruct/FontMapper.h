#pragma once

#include <string>

namespace reconstruct {

// The installed family to name in a written document for a PDF font, so that the document
// looks alike when opened on this machine: well-known PDF fonts map to their installed
// equivalents, other names go to fontconfig, and Chinese text gets a face that covers it.
// Only installed families come back. Cached; safe to call from several threads.
std::string InstalledFamily(const std::string& pdf_name, bool bold, bool italic, bool monospace,
                            bool serif, bool cjk);

// Reads the installed faces ahead of the first InstalledFamily, which would otherwise pay for it.
void WarmFontMatching();

}  // namespace reconstruct
