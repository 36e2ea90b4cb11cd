# Template verbs: every tree-editing verb over 10,000 to 1,000,000 matches.
add_benchmark(bench_verbs
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_verbs.cpp
  LIBS templateproc)
