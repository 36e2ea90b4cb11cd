# The safety review of the upgrade report over the final configuration of a large generated
# conversion (bench_review).
add_benchmark(bench_review
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_review.cpp
  LIBS upgrade_report templateproc conftree old_config_generator)
target_compile_definitions(bench_review PRIVATE PROJECT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
