#include "app/entry.h"

#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/task_list.h"
#include "own_pid_namespace.h"
#include "platform/processes.h"
#include "temp_workdir.h"

namespace {

// The single-instance check reads the process list; a Tessary.exe elsewhere on the
// machine must not count.
[[maybe_unused]] const bool isolated = own_pid_namespace::enter();

TEST(ProgramName, LastTwelveCharactersUpperCasedMustNameTheProgram) {
  struct Case {
    const char* path;
    bool ok;
  };
  const Case cases[] = {
      {"/opt/tools/tessary.exe", true},
      {"/opt/tools/Tessary.EXE", true},
      {"./Tessary.exe", true},
      {"/Tessary.exe", true},
      {"/opt/tools/MyTessary.exe", false},  // YTESSARY.EXE
      {"tessary.exe", false},               // 11 characters
      {"Tessary.exe", false},
      {"/opt/tools/Tessary.exe.bak", false},
      {"/opt/tools/Tessary_exe", false},
      {"\\tools\\Tessary.exe", false},  // the separator here is '/'
      {"/opt/tools/T\xC3\xA9ssary.exe", false},
      {"", false},
      {nullptr, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(program_name_ok(c.path), c.ok) << (c.path ? c.path : "(null)");
  }
}

TEST(ArgumentCount, ExactlyOneArgument) {
  EXPECT_FALSE(argument_count_ok(0));
  EXPECT_FALSE(argument_count_ok(1));
  EXPECT_TRUE(argument_count_ok(2));
  EXPECT_FALSE(argument_count_ok(3));
}

int reads_of(const std::string& listing) {
  TempWorkdir dir;
  write_text_file(dir.work() / "Tasklist", listing);
  return count_task_list_reads("Tasklist");
}

TEST(TaskListCount, TheReadThatFindsTheEndCounts) {
  struct Case {
    std::string listing;
    int reads;
  };
  const std::string line = "Tessary.exe                   4242 Console                    1      8,120 K\n";
  const Case cases[] = {
      {"", 1},
      {"\n", 2},
      {"a\nb\nc\nd\n", 5},      // four lines: passes
      {"a\nb\nc\nd\ne\n", 6},  // five lines: refused
      {"a\nb", 2},             // no line end: the last read ends the file itself
      {std::string(79, 'x') + "\n", 3},  // 79 characters, then the line end alone
      {std::string(78, 'x') + "\n", 2},
      {"\n" + line + line + line, 5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(reads_of(c.listing), c.reads) << c.listing;
  }
}

TEST(TaskListCount, MissingListingCannotBeCounted) {
  TempWorkdir dir;
  EXPECT_EQ(count_task_list_reads("Tasklist"), -1);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(TaskListFormat, OneInstanceIsFourLinesAndPassesTheCount) {
  const std::vector<platform::RunningProcess> processes = {
      {1, "systemd", 12000}, {4242, "Tessary.exe", 8120}, {5000, "bash", 4000}, {6000, "Tessary.exe.bak", 10}};
  const std::string listing = format_task_list(processes, "Tessary.exe");
  const std::vector<std::string> lines = lines_of(listing);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "Image Name                     PID Session Name        Session#    Mem Usage");
  EXPECT_EQ(lines[2], "========================= ======== ================ =========== ============");
  EXPECT_EQ(lines[3], "Tessary.exe                   4242 Console                    1      8,120 K");
  EXPECT_EQ(reads_of(listing), 5);
}

TEST(TaskListFormat, TwoInstancesAreRefusedAndNamesIgnoreCase) {
  const std::vector<platform::RunningProcess> processes = {{10, "TESSARY.EXE", 1}, {11, "tessary.Exe", 1234567}};
  const std::string listing = format_task_list(processes, "Tessary.exe");
  const std::vector<std::string> lines = lines_of(listing);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[3].substr(0, 11), "TESSARY.EXE");
  EXPECT_EQ(lines[4], "tessary.Exe                     11 Console                    1  1,234,567 K");
  EXPECT_EQ(reads_of(listing), 6);
}

TEST(TaskListFormat, EveryLineIsOneReadEvenForLongNamesAndNumbers) {
  const std::string long_name = "Tessary.exe";
  const std::vector<platform::RunningProcess> processes = {{2147483647, long_name, 999999999999LL}};
  for (const std::string& line : lines_of(format_task_list(processes, "tessary.exe"))) {
    EXPECT_LT(line.size(), 79u) << line;
  }
}

TEST(TaskListFormat, NoMatchingProcessIsOneInformationLine) {
  const std::string listing = format_task_list({{1, "init", 1}}, "Tessary.exe");
  EXPECT_EQ(lines_of(listing).size(), 1u);
  EXPECT_EQ(reads_of(listing), 2);
}

TEST(RunningProcesses, ListsThisProcessUnderItsExecutableName) {
  char own_path[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", own_path, sizeof own_path - 1), 0);
  const std::string own_name = std::filesystem::path(own_path).filename().string();
  bool found = false;
  for (const platform::RunningProcess& process : platform::running_processes()) {
    if (process.pid == static_cast<int32_t>(getpid())) {
      found = true;
      EXPECT_EQ(process.executable, own_name);
      EXPECT_GT(process.memory_kib, 0);
    }
  }
  EXPECT_TRUE(found);
}

TEST(SingleInstance, ListingWrittenInTheWorkingDirectory) {
  TempWorkdir dir;
  // This test program is not named Tessary.exe, so no instance of it is listed.
  EXPECT_FALSE(another_instance_running());
  EXPECT_EQ(lines_of(read_text_file(dir.work() / "Tasklist")).size(), 1u);
}

TEST(SingleInstance, UnwritableListingLetsTheProgramRun) {
  TempWorkdir dir;
  // A folder where the listing should go can't be opened for writing.
  std::filesystem::create_directory(dir.work() / "Tasklist");
  EXPECT_FALSE(another_instance_running());
}

}  // namespace
