# Management protocol throughput: a 64 MB file fetched from fwsim over loopback at three protection
# settings, beside the raw libcrypto cipher and hash throughput on the same data in the same run.
add_benchmark(bench_fwall
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_fwall.cpp
  LIBS mgmt_session fwall fwsim_launch)
target_compile_definitions(bench_fwall PRIVATE FWSIM_PROGRAM="$<TARGET_FILE:fwsim>")
add_dependencies(bench_fwall fwsim)
