# Fuzz targets of fwsim: the request parser with path mapping, and the service end of a connection
# fed hostile bytes after an honest handshake.
add_fuzz_target(fuzz_sim_request SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_sim_request.cpp LIBS fwsim_core)
add_fuzz_target(fuzz_sim_channel SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_sim_channel.cpp LIBS fwsim_core)
# The extraction of a certificate archive uploaded by a client.
add_fuzz_target(fuzz_sim_archive SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_sim_archive.cpp LIBS fwsim_core)
