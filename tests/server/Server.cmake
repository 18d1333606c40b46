torvel_add_test(server_tests CORE
    ${CMAKE_CURRENT_LIST_DIR}/ServerHandlerTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ServerNetTest.cpp)
target_link_libraries(server_tests PRIVATE torvel_server_lib)
# One test starts the real executable.
add_dependencies(server_tests torvel-server)
target_compile_definitions(server_tests PRIVATE TORVEL_SERVER_EXE="$<TARGET_FILE:torvel-server>")
