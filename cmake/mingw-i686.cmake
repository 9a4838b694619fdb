# Cross build for 32-bit Windows with the mingw-w64 i686 tool chain, the
# host's own platform. By default the -posix compilers, which carry
# std::mutex and std::thread, which GoogleTest needs: the test programs and
# the simulator are built with them. The shipped tarvok.dll is not; it comes
# from a build of its own with cmake/mingw-i686-dll.cmake (see that file).
#
# Everything links the GCC, C++ and thread run-times statically, so the
# library and the programs import only from Windows' own DLLs and run under
# wine without any DLL of the tool chain beside them. Programs built here run
# through scripts/wine-run.sh, in a wine prefix of this build's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

if(NOT DEFINED TARVOK_MINGW_THREADS)
  set(TARVOK_MINGW_THREADS posix)
  set(TARVOK_DLL_TOOLCHAIN_FILE ${CMAKE_CURRENT_LIST_DIR}/mingw-i686-dll.cmake)
endif()

set(TARVOK_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TARVOK_MINGW_TRIPLET}-gcc-${TARVOK_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${TARVOK_MINGW_TRIPLET}-g++-${TARVOK_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${TARVOK_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARVOK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

cmake_path(SET TARVOK_WINE_RUN NORMALIZE
           "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")
set(TARVOK_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVOK_WINE_RUN} ${TARVOK_WINEPREFIX})
