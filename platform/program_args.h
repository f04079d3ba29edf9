#pragma once
// The program's command-line arguments as UTF-8, whatever the system's narrow
// encoding: on Windows they come from the wide command line, so a path in any
// language arrives whole.
#include <string>
#include <vector>

namespace platform {

// Argument 0 is the program's path as it was started. `argc` and `argv` are main's,
// used where the system hands them over in UTF-8 already.
std::vector<std::string> program_arguments(int argc, char** argv);

}  // namespace platform
