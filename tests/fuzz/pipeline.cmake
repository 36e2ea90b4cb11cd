# Fuzz target of the conversion pipeline: a whole conversion of arbitrary old and new configurations,
# interface pairing included.
add_fuzz_target(fuzz_pipeline_convert SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_pipeline_convert.cpp LIBS templateproc conftree)
