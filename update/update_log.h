#pragma once

namespace update {

// One diagnostic line of the update check on standard error, printf-style; a line end is added
// when missing. Never shown to the user.
void UpdateLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace update
