# Cross build for the board (ARMv7, hard float) against Debian's armhf multiarch packages:
#   dpkg --add-architecture armhf
#   apt-get install g++-arm-linux-gnueabihf qemu-user-static qtbase5-dev:armhf libhidapi-dev:armhf libboost-dev
# scripts/cross-build.sh does all of it. The armhf libraries live beside the host's in
# /usr/lib/arm-linux-gnueabihf, so there is no separate sysroot.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(YUQ_CROSS_TRIPLET arm-linux-gnueabihf)

set(CMAKE_C_COMPILER ${YUQ_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${YUQ_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${YUQ_CROSS_TRIPLET})
# Every part is built by this one compiler: GCC 7's ARM parameter-passing change is no news.
set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)

# The armhf Qt's CMake files (they name the host's moc and rcc, which is what we want).
set(Qt5_DIR /usr/lib/${YUQ_CROSS_TRIPLET}/cmake/Qt5 CACHE PATH "armhf Qt 5")

# Without this pkg-config hands the x86-64 hidapi to the ARM linker.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${YUQ_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# ARM programs built here (the picture generator at build time, the tests under ctest) run
# through user-mode qemu. No -L /usr/arm-linux-gnueabihf: the loader there is the cross
# compiler's glibc build, and with it the multiarch libc6:armhf (found through the host's
# ld.so.cache) crashes at start. The multiarch loader in /lib goes with its own libc.
find_program(YUQ_QEMU_ARM NAMES qemu-arm-static qemu-arm)
if(YUQ_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${YUQ_QEMU_ARM})
endif()
