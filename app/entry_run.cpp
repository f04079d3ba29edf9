#include "app/entry.h"

#include "app/fatal_message.h"
#include "app/main_loop.h"
#include "app/texts.h"
#include "app/workspace.h"
#include "platform/terminal.h"

int run_entry(int argc, char** argv) {
  platform::set_terminal_title(texts::caption_initialising);
  const char* refusal = nullptr;
  if (!program_name_ok(argc > 0 ? argv[0] : nullptr)) {
    refusal = texts::msg_bad_file_name;
  } else if (!argument_count_ok(argc)) {
    refusal = texts::msg_bad_arguments;
  } else if (another_instance_running()) {
    refusal = texts::msg_second_instance;
  }
  if (refusal != nullptr) {
    show_fatal_message(refusal);
    return 0;
  }
  setup_workspace(argv[1]);
  run_main_loop();
}
