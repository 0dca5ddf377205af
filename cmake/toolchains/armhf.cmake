# Cross build for armhf with Debian's cross compiler (arm-linux-gnueabihf-g++) and the
# multiarch libraries of the armhf packages (dpkg --add-architecture armhf).
# scripts/cross-test.sh installs both and runs the result under qemu-user.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(DV_TRIPLE arm-linux-gnueabihf)
set(DV_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
