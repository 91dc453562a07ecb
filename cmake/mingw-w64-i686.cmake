# 32-bit Windows. Its programs run under Wine with its 32-bit half
# (wine32:i386), in a 32-bit prefix as on 32-bit Windows, or through WOW64 in a
# 64-bit one.
set(SMELTRA_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
