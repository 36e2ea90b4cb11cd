# Benchmarks of the rule and object converters: reading and writing large rule lists.
if(TARGET templateproc)
  add_benchmark(convert_rules_bench SOURCES convert_rules_bench.cpp LIBS templateproc conftree old_config_generator)
endif()
