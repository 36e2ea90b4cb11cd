# Fuzz targets of the management client library: the block reader fed bytes as if from the socket,
# the response reader, and the handshake messages (Welcome on the client, Auth on the service).
add_fuzz_target(fuzz_fwall_blocks SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_fwall_blocks.cpp LIBS fwall)
add_fuzz_target(fuzz_fwall_response SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_fwall_response.cpp LIBS fwall)
add_fuzz_target(fuzz_fwall_welcome SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_fwall_welcome.cpp LIBS fwall)
add_fuzz_target(fuzz_fwall_tovac_blocks SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_fwall_blocks.cpp LIBS fwall_tovac)
