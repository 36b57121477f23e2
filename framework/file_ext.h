// The extension rule of saved files: a name gets the program's extension
// appended unless it already ends in it, compared without regard to case.
#pragma once
#include <cstddef>

bool file_ext_has(const char* name, const char* extension);
bool file_ext_ensure(char* name, size_t capacity, const char* extension);
