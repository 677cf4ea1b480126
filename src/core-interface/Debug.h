#pragma once

#include <string>
#include <vector>

#include "core-interface/String.h"

namespace Nimbal {

// Appends one line to the core's debug log. The log is silent unless
// NIMBAL_DEBUG_LOG is set ("1" or "stderr": standard error; anything else: a
// file appended to) or a capture is running. The variable is read at every
// call, so it can be switched while the process runs.
void DEBUG_PRINT(const String& line);

namespace DebugLog {
// Starts collecting lines in memory (clearing earlier ones) until stopCapture.
void startCapture();
void stopCapture();
// The collected lines in UTF-8, oldest first.
std::vector<std::string> lines();
} // namespace DebugLog

} // namespace Nimbal
