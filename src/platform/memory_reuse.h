#pragma once

namespace vexmor::platform {

// Has the allocator keep memory the run frees for its next allocations instead of handing it
// back to the system at once. A run allocates and frees each level's pixels and image bytes
// thousands of times; memory handed back must be faulted in again page by page, which cost
// explode about a tenth of its time. Call once, before the run.
void keepFreedMemoryForReuse();

}  // namespace vexmor::platform
