#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// `census RULE [options]` and `census merge A.json B.json... [--out ALL.json]`; args[0] is
// "census". Throws std::runtime_error on failure.
int Census(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
