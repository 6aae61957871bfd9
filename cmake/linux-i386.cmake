# The portable logic and its unit tests as 32-bit Linux code, as wide as the
# shipped 32-bit program's: pointers, long and size_t are 4 bytes. This
# machine's kernel runs 64-bit code only, so the tests run under
# qemu-i386-static (Debian's g++-multilib and qemu-user-static).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i386)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386-static -L /)
