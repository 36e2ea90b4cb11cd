# Configuration tree: the generator of large configurations and the load/search/save benchmark.
add_library(config_generators STATIC ${CMAKE_CURRENT_LIST_DIR}/config_generators.cpp)
target_include_directories(config_generators PUBLIC ${PROJECT_SOURCE_DIR})

add_executable(gen_config ${CMAKE_CURRENT_LIST_DIR}/gen_config.cpp)
target_link_libraries(gen_config PRIVATE config_generators CLI11::CLI11)

add_benchmark(bench_conftree
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_conftree.cpp
  LIBS conftree config_generators)
