# What the ARM cross builds share: Debian's cross compiler for DV_TRIPLE and the
# multiarch libraries of that architecture's packages. armhf.cmake and arm64.cmake set
# CMAKE_SYSTEM_PROCESSOR, DV_TRIPLE and DV_QEMU, then include this file.
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${DV_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${DV_TRIPLE}-g++)
set(CMAKE_ASM_COMPILER ${DV_TRIPLE}-gcc)
set(CMAKE_LIBRARY_ARCHITECTURE ${DV_TRIPLE})
# GCC notes every use of a type whose passing changed in GCC 7.1 on ARM;
# nothing here talks to code built before it.
set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)

# The target's libraries are Debian's multiarch ones, in /usr/lib/TRIPLE,
# found through the library architecture; nothing of the build machine's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)

# pkg-config answers for the target's .pc files, not the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${DV_TRIPLE}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_EXECUTABLE /usr/bin/pkg-config CACHE FILEPATH "")

# Test programs run through qemu-user, with the target's own loader and libc
# (libc6:ARCH, which the -dev packages bring): the cross toolchain's copy in
# /usr/${DV_TRIPLE} is another build of glibc, and its loader beside the
# multiarch libc crashes at the first thread.
set(CMAKE_CROSSCOMPILING_EMULATOR ${DV_QEMU})
