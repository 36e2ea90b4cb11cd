# The offline conversion of large old configurations: the generator (gen_old_config) and the
# benchmark of the whole conversion (bench_convert).
add_library(old_config_generator STATIC ${CMAKE_CURRENT_LIST_DIR}/old_config_generator.cpp)
target_include_directories(old_config_generator PUBLIC ${PROJECT_SOURCE_DIR})

add_executable(gen_old_config ${CMAKE_CURRENT_LIST_DIR}/gen_old_config.cpp)
target_link_libraries(gen_old_config PRIVATE old_config_generator CLI11::CLI11)

add_benchmark(bench_convert
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_convert.cpp
  LIBS upgrade_workflow templateproc conftree old_config_generator)
target_compile_definitions(bench_convert PRIVATE PROJECT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
