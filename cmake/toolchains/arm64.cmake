# Cross build for arm64 with Debian's cross compiler (aarch64-linux-gnu-g++) and the
# multiarch libraries of the arm64 packages (dpkg --add-architecture arm64).
# scripts/cross-test.sh installs both and runs the result under qemu-user.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(DV_TRIPLE aarch64-linux-gnu)
set(DV_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
