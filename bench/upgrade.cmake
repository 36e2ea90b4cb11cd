# A whole upgrade between two simulated firewalls on loopback, step by step, beside the session's file
# throughput and the offline conversion of the same generated configuration.
add_benchmark(bench_upgrade
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_upgrade.cpp ${CMAKE_CURRENT_LIST_DIR}/upgrade_step_clock.cpp
  LIBS upgrade_workflow mgmt_session fwall fwsim_launch old_config_generator)
target_compile_definitions(bench_upgrade PRIVATE PROJECT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                                 FWSIM_PROGRAM="$<TARGET_FILE:fwsim>")
add_dependencies(bench_upgrade fwsim)
