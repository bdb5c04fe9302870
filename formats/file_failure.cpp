#include "formats/file_failure.h"

#include <cstring>

namespace formats {

std::string SystemReason(const FileFailure& failure) {
    if (failure.error == 0) return failure.stage == FileFailure::Stage::Read ? "read error" : "unknown error";
    return std::strerror(failure.error);
}

}  // namespace formats
