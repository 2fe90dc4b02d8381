#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace convcore {

// soffice from PATH; empty when LibreOffice is not installed.
std::filesystem::path FindLibreOffice();

// Exports `document` to PDF with a headless soffice that has a profile of its own (a shared
// profile makes concurrent exports drop jobs silently) and counts the pages of the result.
// The profile and the PDF live in a private scratch folder that is removed before returning.
// -1 with the reason in `error` when it fails, takes longer than `timeout` or is cancelled.
int CountPagesWithLibreOffice(const std::filesystem::path& soffice,
                              const std::filesystem::path& document,
                              std::chrono::milliseconds timeout,
                              const std::function<bool()>& cancelled, std::string* error);

}  // namespace convcore
