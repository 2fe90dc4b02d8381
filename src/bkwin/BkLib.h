#pragma once

namespace BkWin {

// Framework start-up, once: the DPI decision, then the string table, the skins and the style
// classes from the program's resources, then the base font. False when a resource is missing
// or unreadable (its registry then stays empty and the rest still loads).
bool InitBkLib(int edition);

}  // namespace BkWin
