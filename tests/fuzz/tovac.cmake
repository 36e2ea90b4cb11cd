# Fuzz target of the command shell: argument vectors and input lines through the whole interpreter.
add_fuzz_target(fuzz_tovac_shell SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_tovac_shell.cpp LIBS tovac_shell)
