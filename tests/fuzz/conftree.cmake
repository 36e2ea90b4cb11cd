# Fuzz targets of the configuration tree: the setting parsers, the file reader, children lists.
add_fuzz_target(fuzz_config_parse_line SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_config_parse_line.cpp LIBS conftree)
add_fuzz_target(fuzz_config_load SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_config_load.cpp LIBS conftree)
add_fuzz_target(fuzz_config_child_list SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_config_child_list.cpp LIBS conftree)
