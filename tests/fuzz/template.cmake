# Fuzz target of the template processor: a random script dispatched against small trees, section by
# section as a conversion runs it.
add_fuzz_target(fuzz_template_script SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_template_script.cpp LIBS templateproc conftree)
