# Cross build of the Windows x64 program with Debian's mingw-w64 (the "-posix" compilers, whose
# C++ runtime has std::thread). The runtime is linked statically, so the programs need no DLL
# beside them. Test programs run under Wine (64-bit loader; the plain `wine` wrapper wants the
# 32-bit Wine).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SYNVORA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SYNVORA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SYNVORA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SYNVORA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SYNVORA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
