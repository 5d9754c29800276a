# Cross-builds Windows programs with MinGW-w64 (posix threads). The including
# toolchain file sets CMAKE_SYSTEM_PROCESSOR, TOOLCHAIN_PREFIX and
# KELVORA_WIN_ARCH (32 or 64), the Wine that runs the programs here.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows programs run here under Wine of the same width, with the project's
# own prefix and zone.
set(CMAKE_CROSSCOMPILING_EMULATOR env KELVORA_WIN_ARCH=${KELVORA_WIN_ARCH}
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec.sh)
