# Cross-builds 64-bit Windows programs: the same sources as the 32-bit
# product, for running the Windows-side tests on machines that run no 32-bit
# code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(KELVORA_WIN_ARCH 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
