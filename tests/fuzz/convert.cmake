# Fuzz targets of the rule and object converters: address texts, and whole old/new trees run through
# every converter's reader and writer.
add_fuzz_target(fuzz_convert_addr SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_convert_addr.cpp LIBS templateproc conftree)
add_fuzz_target(fuzz_convert_rules SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_convert_rules.cpp LIBS templateproc conftree)
