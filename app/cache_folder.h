#pragma once

// Removes the previous run's cache folder and makes this run's, named in cache_dir.
void prepare_cache_folder();
// Fills cache_dir with a fresh random name.
void make_cache_name();
