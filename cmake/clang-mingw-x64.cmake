# Cross-compiles the Windows program with clang for x86_64 MinGW-w64: a second compiler, so that
# a construct only GCC takes fails the build. It uses MinGW-w64's headers and GCC's C++ library
# (the same the GCC build links), and lld. Built, not run: the GCC build is the one tested.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_SYSROOT /usr/${triple})
# GCC's C++ headers for this target, of whichever GCC the MinGW-w64 packages bring.
file(GLOB gcc_folders LIST_DIRECTORIES true /usr/lib/gcc/${triple}/*-posix)
list(GET gcc_folders 0 gcc_folder)
set(cxx_headers ${gcc_folder}/include/c++)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${cxx_headers} -isystem ${cxx_headers}/${triple} -isystem ${cxx_headers}/backward")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${gcc_folder} -lwinpthread")
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
