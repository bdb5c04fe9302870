#pragma once

#include <cstddef>

namespace core {

// Asks the system to back the whole 2 MB pages inside [data, data + bytes) with huge pages when
// they are first touched. A rule table of 7 or more states is read at random all over, one
// lookup per cell; with small pages nearly every lookup also misses the address translation
// cache. Does nothing where the system offers no such advice.
void AdviseHugePages(void* data, std::size_t bytes);

}  // namespace core
