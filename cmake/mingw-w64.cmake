# Cross-compiling for 64-bit Windows with MinGW-w64. The -posix compilers are
# used for everything: the -win32 variant has no std::thread or std::mutex,
# and mixing the two in one program breaks libstdc++.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAMLIX_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAMLIX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAMLIX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TAMLIX_MINGW}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

# Libraries come from the MinGW root and from the dependency folder built by
# scripts/windows-deps.sh (passed as TAMLIX_WIN_DEPS or found beside us).
if(NOT TAMLIX_WIN_DEPS)
  set(TAMLIX_WIN_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build/windows/deps)
endif()
get_filename_component(TAMLIX_WIN_DEPS ${TAMLIX_WIN_DEPS} ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH /usr/${TAMLIX_MINGW} ${TAMLIX_WIN_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config and wx-config answer for the Windows libraries, not the host's.
set(ENV{PKG_CONFIG_LIBDIR} ${TAMLIX_WIN_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(wxWidgets_CONFIG_EXECUTABLE ${TAMLIX_WIN_DEPS}/bin/wx-config CACHE FILEPATH "wx-config of wxMSW")
