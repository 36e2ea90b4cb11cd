# Benchmarks of the rule and object converters: reading and writing large rule lists.
add_benchmark(convert_rules_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/convert_rules_bench.cpp
  LIBS templateproc conftree old_config_generator)
