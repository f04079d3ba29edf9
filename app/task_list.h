#pragma once
// The task list of the single-instance check: a listing of the running processes
// whose executable carries the program's name, in the layout of the Windows task
// list, written to a file in the working directory and counted line by line.
#include <string>
#include <string_view>
#include <vector>

#include "platform/processes.h"

inline constexpr char task_list_file[] = "Tasklist";
inline constexpr char program_image_name[] = "Tessary.exe";

// An empty line, a header, a separator and one line per process whose executable is
// `image_name` (compared without regard to ASCII case); every line is shorter than
// 79 characters, so each is one read of the counting loop. With no such process the
// listing is one information line.
std::string format_task_list(const std::vector<platform::RunningProcess>& processes, std::string_view image_name);

// Writes the listing of the running Tessary.exe processes to `path` through
// shared_file. False when the file could not be written completely.
bool write_task_list(const char* path);

// Opens `path` through shared_file and counts reads of at most 79 characters until
// end of file, the last read that finds nothing included. -1 when it can't be opened.
int count_task_list_reads(const char* path);
