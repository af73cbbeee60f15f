#pragma once

// kt7310-tango's own options, answered before Tango sees the command line (Tango would
// take "--help" for an instance name and go looking for it in the database).

#include <optional>

namespace KT7310_ns {

// With --help, -h or --version anywhere before "--": the text printed to standard
// output, and the exit code. Otherwise nothing, and the server starts.
std::optional<int> AnswerUsageOptions(int argc, char *argv[]);

} // namespace KT7310_ns
