#pragma once

namespace tasks {

// Whether any conversion task was started in this process; the main window asks before it
// closes.
bool ConversionStarted();
void MarkConversionStarted();

}  // namespace tasks
