#pragma once

namespace core {

// Lets the allocator keep the memory a dropped generation frees for the chunks of the next one,
// instead of handing it back to the system and faulting every page of the next generation in
// again. Process-wide; the first call sets it and later calls do nothing.
void RetainFreedMemory();

}  // namespace core
