# The shipped tarvok.dll: the mingw-w64 i686 tool chain of
# cmake/mingw-i686.cmake with the -win32 thread-model compilers.
#
# A DLL that links the -posix compilers' run-times statically takes a
# thread-local storage slot, handles and memory each time it is loaded and
# gives them back never, so a host that reloads its plug-ins runs out of
# slots after about a thousand reloads. The plug-in starts no threads and
# takes no locks, so it needs no thread support of the run-time, and the
# -win32 compilers' run-times leave nothing behind when the DLL is freed.
set(TARVOK_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
