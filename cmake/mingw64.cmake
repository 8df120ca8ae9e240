# 64-bit Windows cross build with mingw-w64: the same sources as the 32-bit
# deliverables, for running the Windows tests under Wine on machines whose
# kernel cannot run 32-bit programs (32-bit emulation switched off), where
# the 32-bit build can only be built and checked, not run.
set(CMAKE_SYSTEM_NAME Windows)
set(LECTORIN_TOOL_PREFIX x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Debian's `wine` always takes the 32-bit loader when it is installed.
set(LECTORIN_WINE /usr/lib/wine/wine64)
set(CMAKE_CROSSCOMPILING_EMULATOR ${LECTORIN_WINE})

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
