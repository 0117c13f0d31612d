#pragma once
// Marks what libgrepcore exports; everything else in the library stays hidden.
#if defined(__GNUC__)
#define GREPCORE_EXPORT __attribute__((visibility("default")))
#else
#define GREPCORE_EXPORT
#endif
