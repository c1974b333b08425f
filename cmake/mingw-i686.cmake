# Windows i686 with Debian's MinGW-w64: the 32-bit deliverables. Test executables
# run through Wine's 32-bit loader (package wine32), in a 64-bit prefix as on a
# 64-bit Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# A .def file names the COM exports without their stdcall decoration.
string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,--enable-stdcall-fixup")
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
