#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace convcore {

// Where the Office to PDF conversions find their helper, LibreOffice and the slots' files, and
// how long they wait.
struct OfficeSettings {
    std::filesystem::path helper;           // the quire-office executable
    std::filesystem::path install_folder;   // LibreOffice's program folder; empty: not installed
    std::filesystem::path runtime_folder;   // slot sockets, locks, pid files and logs (0700)
    std::filesystem::path cache_folder;     // the slots' LibreOffice profiles
    int slots = 3;                          // as many as the program converts at once
    std::chrono::seconds idle{600};         // a helper without a job for this long leaves
    std::chrono::seconds job_limit{300};    // one conversion; also the wait for a free slot
    std::chrono::seconds start_limit{120};  // a helper's start, LibreOffice's cold start included
};

// This installation's settings: quire-office beside the running executable, LibreOffice where
// `soffice` on PATH lives, the slots in the private folder's "office" folder and the profiles in
// $XDG_CACHE_HOME/quire (else ~/.cache/quire). QUIRE_OFFICE_IDLE_SECONDS and
// QUIRE_OFFICE_JOB_SECONDS (whole seconds above 0) replace the idle time and the job limit.
// Nullopt with the reason when the private folder cannot be had.
std::optional<OfficeSettings> DefaultOfficeSettings(std::string* error);

// LibreOffice's program folder (the one holding its core library), found from `soffice` on PATH
// through its symbolic links; empty when LibreOffice is not installed.
std::filesystem::path FindLibreOfficeProgramFolder();

// True when `folder` holds LibreOffice's core library, which the helper loads.
bool IsLibreOfficeProgramFolder(const std::filesystem::path& folder);

}  // namespace convcore
