#pragma once

#include <string>

namespace formats {

// Where reading or writing a whole file stopped, with the system's error number: enough for a
// message that names both the step and the system's reason.
struct FileFailure {
    enum class Stage { Open, Read, Write };
    Stage stage = Stage::Open;
    int error = 0;  // errno; 0 when the system gave none
};

// The system's reason for `failure`, as strerror words it ("No space left on device"), or a
// generic one when there is no error number.
std::string SystemReason(const FileFailure& failure);

}  // namespace formats
