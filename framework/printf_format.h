// Format checking of printf-like routines. MinGW names the archetype of the
// C99 formats it uses itself; everywhere else the plain one is that archetype
// (clang knows no "gnu_printf").
#pragma once
#include <cstdio>

#ifdef __MINGW_PRINTF_FORMAT
#define ORV_PRINTF_LIKE(format_arg, first_arg) __attribute__((format(__MINGW_PRINTF_FORMAT, format_arg, first_arg)))
#else
#define ORV_PRINTF_LIKE(format_arg, first_arg) __attribute__((format(printf, format_arg, first_arg)))
#endif
