#pragma once

namespace vexmor::test {

// True when the Windows build runs under Wine, whose system components have limits of their own
// that a real Windows does not share. Always false on other builds.
bool runningUnderWine();

}  // namespace vexmor::test
