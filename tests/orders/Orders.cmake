torvel_add_test(orders_core_tests CORE ${CMAKE_CURRENT_LIST_DIR}/OrderCoreTest.cpp)

torvel_add_test(orders_tests GUI
    ${CMAKE_CURRENT_LIST_DIR}/CentralFixture.h
    ${CMAKE_CURRENT_LIST_DIR}/OrderEditorTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OrderBackupTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SendOrderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OrderActionsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OrdersEndToEndTest.cpp)
target_link_libraries(orders_tests PRIVATE torvel_test_support torvel_server_lib)
# The end-to-end test starts the reference order server.
add_dependencies(orders_tests torvel-server)
target_compile_definitions(orders_tests PRIVATE TORVEL_SERVER_PATH="$<TARGET_FILE:torvel-server>")
