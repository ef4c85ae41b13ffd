# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads:
# GCC 12's std::mutex needs them). Pass VELLOR_ICU_WINDOWS_DIR, the install
# folder of the cross-built ICU (scripts/build-icu-windows.sh prints it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELLOR_MINGW_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELLOR_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELLOR_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${VELLOR_MINGW_HOST}-windres)
set(CMAKE_AR ${VELLOR_MINGW_HOST}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${VELLOR_MINGW_HOST}-ranlib CACHE FILEPATH "")

# Libraries and headers come from the MinGW sysroot and the cross-built ICU
# only; programs (makeconv, the Wine launcher) from this machine.
set(VELLOR_ICU_WINDOWS_DIR "" CACHE PATH "Install folder of ICU cross-built for Windows")
set(CMAKE_FIND_ROOT_PATH /usr/${VELLOR_MINGW_HOST} ${VELLOR_ICU_WINDOWS_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(VELLOR_ICU_WINDOWS_DIR)
  set(ICU_ROOT ${VELLOR_ICU_WINDOWS_DIR})
endif()

# The C++ runtime (libgcc, libstdc++, winpthread) goes inside every program
# and DLL, so that they need nothing but system DLLs and ICU. ICU's import
# libraries are linked by full path, which -static does not affect.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
