// The CPU's features as glibc found them at start-up, for the vector paths
// of the hot loops: no run probes the CPU itself. Where this header defines
// TAGDELVE_X86_FEATURES, CPU_FEATURE_ACTIVE() and the x86 intrinsics are at
// hand.
#pragma once

#if defined(__x86_64__) && defined(__GLIBC__) && __has_include(<sys/platform/x86.h>)
#define TAGDELVE_X86_FEATURES 1
// glibc's header is written in C: clang's C++ does not know its _Bool.
#if defined(__clang__) && !defined(_Bool)
#define _Bool bool
#include <sys/platform/x86.h>
#undef _Bool
#else
#include <sys/platform/x86.h>
#endif
#include <immintrin.h>
#endif
