#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/program_args.h"

int main(int argc, char** argv) {
  // The entry takes the arguments in the program's own encoding, UTF-8.
  static std::vector<std::string> arguments = platform::program_arguments(argc, argv);
  static std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return run_entry(static_cast<int>(arguments.size()), pointers.data());
}
