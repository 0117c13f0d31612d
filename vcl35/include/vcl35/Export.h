#pragma once
// Marks what libvcl35 exports; everything else in the library stays hidden.
#if defined(__GNUC__)
#define VCL35_EXPORT __attribute__((visibility("default")))
#else
#define VCL35_EXPORT
#endif
