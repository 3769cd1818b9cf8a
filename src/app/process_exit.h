#pragma once

namespace vexmor {

// Thrown by a stage that ends the process with its own exit code. Deliberately not a
// std::exception, so the driver's per-file handlers never swallow it; only `main` (or a test
// running a whole run in-process) catches it.
struct ProcessExit {
    int code;
};

}  // namespace vexmor
