#pragma once
// Marks what libgrepkit exports; everything else in the package stays hidden.
#if defined(__GNUC__)
#define GREPKIT_EXPORT __attribute__((visibility("default")))
#else
#define GREPKIT_EXPORT
#endif
