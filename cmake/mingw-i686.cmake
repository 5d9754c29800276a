# Cross-builds 32-bit Windows programs, the product.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(KELVORA_WIN_ARCH 32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
