#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Where the program's files live on Linux.
namespace platform {

// Folder of the running executable: read-only resources, shipped defaults, the core and the
// pipe library.
std::filesystem::path ProgramFolder();

// Everything the program writes: $QUIRE_HOME, else $XDG_CONFIG_HOME/quire, else
// ~/.config/quire. Not created by this call.
std::filesystem::path UserFolder();

// What may be thrown away and rebuilt: $XDG_CACHE_HOME/quire, else ~/.cache/quire. Not created
// by this call.
std::filesystem::path CacheFolder();

// Reads look in the user folder first, then in the program folder.
std::filesystem::path ResolveReadPath(const std::filesystem::path& relative);

// The per-user private folder (mode 0700, owned by us): $XDG_RUNTIME_DIR/quire, else
// $TMPDIR/quire-<uid>, else /tmp/quire-<uid>. Created on demand; nullopt when it cannot be
// created or is not safely ours (a symlink, another owner). Intermediate files, sockets and
// per-user lock files live here.
std::optional<std::filesystem::path> PrivateFolder();

// A sub-folder of the private folder, created with mode 0700.
std::optional<std::filesystem::path> PrivateSubfolder(const std::string& name);

// The machine-wide folder for names every user shares ("Global\" lock names): /tmp/quire-global,
// sticky and world-writable like /tmp itself. Nullopt when it is not a real sticky folder.
std::optional<std::filesystem::path> MachineWideFolder();

// XDG user dirs (~/.config/user-dirs.dirs), falling back to ~/Desktop and ~/Documents.
std::filesystem::path DesktopFolder();
std::filesystem::path DocumentsFolder();

std::filesystem::path HomeFolder();

// An absolute, non-empty environment value; relative XDG values must be ignored.
std::optional<std::filesystem::path> AbsoluteEnv(const char* name);

}  // namespace platform
