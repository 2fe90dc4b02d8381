#pragma once

#include <string>

namespace platform {

// Opens a file or a URI with the desktop's default application ("gio open", else "xdg-open").
// The target is passed as one argv entry, never through a shell. Does not wait for the
// application; false when no opener exists or it could not be started.
bool OpenWithDefaultApp(const std::string& path_or_uri);

// Shows a file selected in the file manager (the FileManager1 D-Bus "ShowItems" call through
// gdbus); falls back to opening the file's folder.
bool RevealInFileManager(const std::string& path);

}  // namespace platform
