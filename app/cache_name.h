#pragma once
#include <string_view>

// The form of a cache folder's name: 4 to 9 characters from a to z and 0 to 9, then
// ".cache". Such a name has no separator, so it lies directly in the working directory.
bool is_cache_folder_name(std::string_view name);
