#include "convcore/LibreOfficePdf.h"

#include <stdlib.h>

#include <optional>
#include <system_error>

#include "platform/FileUri.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "quire-mupdf/PdfFacts.h"

namespace convcore {
namespace {

constexpr std::chrono::milliseconds kPollInterval{200};
constexpr std::chrono::milliseconds kKillWait{5000};

// A fresh folder in the private runtime folder, removed with its contents at the end.
class ScratchFolder {
public:
    static std::optional<ScratchFolder> Create() {
        const auto parent = platform::PrivateSubfolder("convcore");
        if (!parent)
            return std::nullopt;
        std::string pattern = (*parent / "office-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            return std::nullopt;
        return ScratchFolder(pattern);
    }
    ScratchFolder(ScratchFolder&& other) noexcept : path_(std::move(other.path_)) {
        other.path_.clear();
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    explicit ScratchFolder(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path path_;
};

// Waits for the export to end; false (with the child killed) on timeout or cancel.
bool AwaitExport(platform::Process& process, std::chrono::milliseconds timeout,
                 const std::function<bool()>& cancelled, std::string* error) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!process.WaitForExit(kPollInterval)) {
        const bool stop = cancelled && cancelled();
        if (!stop && std::chrono::steady_clock::now() < deadline)
            continue;
        *error = stop ? "cancelled" : "LibreOffice took too long to export the document";
        process.Kill();
        process.WaitForExit(kKillWait);
        return false;
    }
    if (process.ExitCode() != 0) {
        *error = "LibreOffice could not export the document";
        return false;
    }
    return true;
}

}  // namespace

std::filesystem::path FindLibreOffice() {
    return platform::FindInPath("soffice");
}

int CountPagesWithLibreOffice(const std::filesystem::path& soffice,
                              const std::filesystem::path& document,
                              std::chrono::milliseconds timeout,
                              const std::function<bool()>& cancelled, std::string* error) {
    const auto scratch = ScratchFolder::Create();
    if (!scratch) {
        *error = "no private folder for the export";
        return -1;
    }
    const std::filesystem::path profile = scratch->Path() / "profile";
    const std::filesystem::path out = scratch->Path() / "out";
    const std::vector<std::string> arguments = {
        "-env:UserInstallation=" + platform::FileUriFromPath(profile.string()),
        "--headless",
        "--invisible",
        "--norestore",
        "--nologo",
        "--nolockcheck",
        "--nodefault",
        "--convert-to",
        "pdf",
        "--outdir",
        out.string(),
        std::filesystem::absolute(document).string()};
    std::string spawn_error;
    const auto process = platform::Process::Spawn(soffice, arguments, &spawn_error);
    if (!process) {
        *error = "LibreOffice cannot start: " + spawn_error;
        return -1;
    }
    if (!AwaitExport(*process, timeout, cancelled, error))
        return -1;
    const std::filesystem::path pdf = out / document.filename().replace_extension(".pdf");
    const int pages = quiremupdf::CountPdfPages(pdf);
    if (pages < 0)
        *error = "LibreOffice wrote no readable PDF";
    return pages;
}

}  // namespace convcore
