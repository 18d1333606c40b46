# The reference order server: its request handling is a library so that tests and fuzz targets
# can call it without sockets.
add_library(torvel_server_lib STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ServerDb.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DemoData.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OrderHandler.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HttpServer.cpp)
target_include_directories(torvel_server_lib PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(torvel_server_lib PUBLIC BOOST_ASIO_NO_DEPRECATED)
target_link_libraries(torvel_server_lib PUBLIC Boost::headers SQLite::SQLite3 Threads::Threads)

add_executable(torvel-server ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(torvel-server PRIVATE torvel_server_lib)
