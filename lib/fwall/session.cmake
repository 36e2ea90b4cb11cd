# MgmtSession: the upgrade commands over the upgrade program's build of the client library.
add_project_library(mgmt_session ${CMAKE_CURRENT_LIST_DIR}/mgmt_session.cpp)
target_link_libraries(mgmt_session PUBLIC fwall Threads::Threads)
