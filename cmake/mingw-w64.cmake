# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix thread model, which has
# std::thread), linked statically so that sscm-cli.exe needs no DLL beside it:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DSSCM_BUILD_CHARTS=OFF -DSSCM_BUILD_GUI=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Libraries and headers from the cross compiler's own tree only: the build machine's
# /usr/include is glibc's.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The header-only libraries (CLI11, nlohmann-json) serve every target. Their package files are
# reached through a folder of links that holds only their headers, so that their include folder
# is not the build machine's /usr/include.
set(sscm_header_only ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${sscm_header_only}/include ${sscm_header_only}/share/cmake)
foreach(dir CLI nlohmann)
    file(CREATE_LINK /usr/include/${dir} ${sscm_header_only}/include/${dir} SYMBOLIC)
endforeach()
foreach(pkg CLI11 nlohmann_json)
    file(CREATE_LINK /usr/share/cmake/${pkg} ${sscm_header_only}/share/cmake/${pkg} SYMBOLIC)
    set(${pkg}_DIR ${sscm_header_only}/share/cmake/${pkg} CACHE PATH "")
endforeach()

# Programs built for Windows run under wine here (ctest, the test discovery).
find_program(SSCM_WINE NAMES wine wine64)
if(SSCM_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all ${SSCM_WINE})
endif()
