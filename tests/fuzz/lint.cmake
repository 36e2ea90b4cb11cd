# Fuzz target of the template script checker: any bytes as a script, checked without running it.
add_fuzz_target(fuzz_script_lint SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_script_lint.cpp LIBS templateproc conftree)
