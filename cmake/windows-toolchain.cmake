# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads), against the libraries
# that scripts/windows-toolchain.sh builds from Debian's sources into its cache.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)

# The cache of the release this machine runs: the same folder the script fills.
if(NOT TORVEL_MINGW_PREFIX)
    if(DEFINED ENV{TORVEL_MINGW_PREFIX})
        set(TORVEL_MINGW_PREFIX $ENV{TORVEL_MINGW_PREFIX})
    else()
        file(STRINGS /etc/os-release _codename REGEX "^VERSION_CODENAME=")
        string(REGEX REPLACE "^VERSION_CODENAME=\"?([a-z]*)\"?$" "\\1" _codename "${_codename}")
        set(TORVEL_MINGW_PREFIX /var/cache/unitorvel-mingw/${_codename}/prefix)
    endif()
endif()
set(TORVEL_MINGW_PREFIX ${TORVEL_MINGW_PREFIX} CACHE PATH "The cross-built libraries for Windows")
# try_compile projects see the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TORVEL_MINGW_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple} ${TORVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's tools (moc, uic, rcc) run here: they are Debian's own, of the same version.
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
