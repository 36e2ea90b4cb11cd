# Fuzz target of the upgrade report: the safety review's reader of address texts.
add_fuzz_target(fuzz_address_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_address_text.cpp LIBS upgrade_report)
