#pragma once

// Windows facilities with no Linux counterpart. Each gives the one answer under which the
// program's code paths behave as on a healthy Windows desktop; the paths themselves stay so
// that the decisions they make remain visible and testable.
namespace platform {

// Nothing here needs elevation, so the process counts as elevated.
inline bool IsUserAnAdmin() {
    return true;
}

// Every supported Linux desktop passes the operating-system check.
inline bool IsSystemSupported() {
    return true;
}

// COM does not exist; initialisation succeeds with S_OK (0) and needs no undoing.
inline long CoInitialize() {
    return 0;
}
inline void CoUninitialize() {}

}  // namespace platform
