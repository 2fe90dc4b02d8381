#pragma once

#include "keasy/ChangeSignal.h"

// Rung whenever a task or a core's job gets its final result. The loops that poll results on a
// period (operations every 200 ms, file facts every 100 ms, a split document's parts, the
// command-line batch) wait on it, so a finished job hands on at once instead of after the rest
// of a period; the period still bounds each wait, and a cancel is still seen at the next poll.
keasy::ChangeSignal& TaskResultSignal();
