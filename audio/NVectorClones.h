#pragma once

// Marks a feed-forward block loop to be compiled for the wider vector units as well, the one to
// run picked when the program starts: the baseline x86-64 target has no 32-bit vector multiply,
// and the binary must still run on any x86-64 processor.
// Not under ThreadSanitizer: the clones' resolvers run while the program is loaded, before its
// runtime is ready, and crash there.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define NVECTOR_CLONES __attribute__((target_clones("avx2", "sse4.1", "default")))
#else
#define NVECTOR_CLONES
#endif
