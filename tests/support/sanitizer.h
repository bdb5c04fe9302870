#pragma once

namespace testsupport {

// Sanitized builds run several times slower: tests over large collections do less in them.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

}  // namespace testsupport
