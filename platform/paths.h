#pragma once
// How the platform spells file paths.

namespace platform {

#ifdef _WIN32
// The character that separates folders in a path.
inline constexpr char path_separator = '\\';
// What the program's own path must end with, upper-cased: the separator and the
// executable's name.
inline constexpr char program_name_suffix[] = "\\TESSARY.EXE";
// Windows takes '/' between folders as well.
inline constexpr bool is_path_separator(char c) { return c == '\\' || c == '/'; }
#else
inline constexpr char path_separator = '/';
inline constexpr char program_name_suffix[] = "/TESSARY.EXE";
inline constexpr bool is_path_separator(char c) { return c == '/'; }
#endif

}  // namespace platform
