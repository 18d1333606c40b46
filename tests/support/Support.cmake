# Helpers shared by the test executables: the scripted HTTP server.
add_library(torvel_test_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ScriptedServer.cpp
)
target_include_directories(torvel_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(torvel_test_support PUBLIC torvel_core GTest::gtest Threads::Threads)
