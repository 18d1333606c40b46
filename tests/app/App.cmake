torvel_add_test(config_tests CORE ConfigTest.cpp)

# The application shell through its widgets, against scripted servers and the reference server.
torvel_add_test(shell_tests GUI
    ${CMAKE_CURRENT_LIST_DIR}/ShellFixture.h
    ${CMAKE_CURRENT_LIST_DIR}/StartUpTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FirstRunAndWaitTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DownloadTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellEndToEndTest.cpp)
target_link_libraries(shell_tests PRIVATE torvel_test_support)
add_dependencies(shell_tests torvel-server)
target_compile_definitions(shell_tests PRIVATE TORVEL_SERVER_PATH="$<TARGET_FILE:torvel-server>")
