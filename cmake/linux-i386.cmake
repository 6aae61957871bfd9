# The portable logic and its unit tests as 32-bit Linux code, as wide as the
# shipped 32-bit program's: pointers, long and size_t are 4 bytes (Debian's
# g++-multilib). Where the kernel runs 32-bit code the tests run natively;
# where it refuses it, under qemu-i386-static (qemu-user-static).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i386)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
# asked at every configure: a tree may outlive the machine it was made on
execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/runs-32bit.sh
                RESULT_VARIABLE _velumix_runs_32 OUTPUT_QUIET ERROR_QUIET)
if(NOT _velumix_runs_32 EQUAL 0)
  set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386-static -L /)
endif()
