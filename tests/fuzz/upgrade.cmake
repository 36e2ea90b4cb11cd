# Fuzz targets of the upgrade workflow: a working directory's manifest.json read back.
add_fuzz_target(fuzz_run_manifest SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_run_manifest.cpp LIBS upgrade_workflow)
