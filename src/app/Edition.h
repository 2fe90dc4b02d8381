#pragma once

#include <string>

// The installation's edition and the names derived from it. Linux has a single edition.
struct EditionInfo {
    int number = 1;
    int product_line = 0;
    std::string product_guid;  // empty: the built-in class prefix is used
};

const EditionInfo& CurrentEdition();

// "vellum_<guid>_<edition>": the main window's class name, which is also the name of the
// running instance's hand-over socket.
std::string MainWindowClassName(const EditionInfo& edition);

// The machine-wide name that allows one running instance per edition.
std::string SingleInstanceMutexName(const EditionInfo& edition);

// The program's own key in the registry store.
inline constexpr const char* kProgramRegistryKey = "Software\\Quire";
