# The safety review of the upgrade report over the final configuration of a large generated
# conversion (bench_review).
add_benchmark(bench_review
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_review.cpp
  LIBS upgrade_report templateproc conftree old_config_generator)
target_compile_definitions(bench_review PRIVATE PROJECT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")

# The upgrade report's files: the generator of large reports (gen_report writes one to look at) and
# the benchmark of report.json, report.html, the summary read back, and the page opening in Chromium.
add_library(report_generator STATIC ${CMAKE_CURRENT_LIST_DIR}/report_generator.cpp)
target_include_directories(report_generator PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(report_generator PUBLIC upgrade_report)

add_executable(gen_report ${CMAKE_CURRENT_LIST_DIR}/gen_report.cpp)
target_link_libraries(gen_report PRIVATE report_generator CLI11::CLI11)

add_benchmark(bench_report
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_report.cpp
  LIBS report_generator upgrade_report)
