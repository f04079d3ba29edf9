#pragma once
// The program's entry: the start-up checks, then workspace setup and the main loop.

// True when the last 12 characters of the program's path, ASCII letters upper-cased,
// are the separator and "TESSARY.EXE". A shorter path fails.
bool program_name_ok(const char* program_path);
// Exactly one argument besides the program's path.
bool argument_count_ok(int argc);
// Lists the running Tessary.exe processes into "Tasklist" and counts its reads; more
// than five means another instance runs. A listing that can't be written or read
// lets the program run.
bool another_instance_running();

// Sets the terminal's caption and makes the checks in order. A refusal shows its
// message and returns 0, the exit status; otherwise the main loop never returns.
int run_entry(int argc, char** argv);
