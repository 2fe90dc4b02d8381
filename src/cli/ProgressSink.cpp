#include "cli/ProgressSink.h"

#include <algorithm>

namespace cli {

void ProgressSink::UpdateProcess(int percent) {
    percent_.store(std::clamp(percent, 0, 100));
}

}  // namespace cli
