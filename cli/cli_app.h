#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// Runs one tavrix-cli command; returns the process exit status. Failures print their
// message on `err` and return 1.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
