#pragma once
// The running program itself: the name it was started as, and ending it at once.
#include <string>

namespace platform {

// The running executable's file name without its folder and extension.
std::string executable_title();

// Ends the process at once with `status`: standard streams are flushed and the
// terminal restored, but no destructors run under the other threads' feet.
[[noreturn]] void end_process_now(int status);

}  // namespace platform
