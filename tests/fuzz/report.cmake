# Fuzz targets of the upgrade report: the safety review's reader of address texts, and report.json
# read back as a summary.
add_fuzz_target(fuzz_address_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_address_text.cpp LIBS upgrade_report)
add_fuzz_target(fuzz_report_summary SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_report_summary.cpp LIBS upgrade_report)
