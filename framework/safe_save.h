// Saving a file without risking the old one: the data go to a temporary file
// beside it, the old file is copied to its backup name, and the temporary
// file is renamed over it. Every write is checked; on failure the old file
// is left as it was (or restored from the backup) and false is returned.
#pragma once
#include <cstddef>
#include <cstdint>

// backup_path null: no backup is kept.
bool safe_save_file(const char* path, const uint8_t* data, size_t size, const char* backup_path);
// "X.EXT" -> "X_old" + extension (the path's own last four characters replaced).
void safe_save_backup_name(const char* path, const char* extension, char* out, size_t out_size);
