# upgrade-cli's own parsers of outside input: the pairs file of --pairs-file.
add_fuzz_target(fuzz_pairs_file
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_pairs_file.cpp ${PROJECT_SOURCE_DIR}/cli/pairs_file.cpp
  LIBS convert)
