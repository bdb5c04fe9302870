#pragma once

#include <stdexcept>
#include <string>

namespace testsupport {

// The message `call` throws, or "(no error)": a missing refusal then fails the comparison it feeds.
template <class Call>
std::string ErrorOf(Call&& call) {
    try {
        call();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace testsupport
