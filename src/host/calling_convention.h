// The calling convention of the two boundary functions: `talk` and the host's
// command callback. The real host is a 32-bit Windows program that calls both
// with the platform's standard system convention (the callee pops its one
// argument); every other build uses the plain C++ convention.
#ifndef TARVOK_HOST_CALLING_CONVENTION_H_
#define TARVOK_HOST_CALLING_CONVENTION_H_

#if defined(_WIN32) && defined(__i386__)
#define TARVOK_STDCALL __stdcall
#else
#define TARVOK_STDCALL
#endif

// Marks the library's one export. On Windows the export table comes from a
// module-definition file instead, which gives `talk` its decorated name.
#if defined(_WIN32)
#define TARVOK_EXPORT
#else
#define TARVOK_EXPORT __attribute__((visibility("default")))
#endif

#endif  // TARVOK_HOST_CALLING_CONVENTION_H_
