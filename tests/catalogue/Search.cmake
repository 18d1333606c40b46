# The product search window and F3 of the main window.
torvel_add_test(search_tests GUI
    ${CMAKE_CURRENT_LIST_DIR}/Procura_ProdTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Procura_ProdCentralTest.cpp
)
# The main-window tests run against the scripted order server.
target_link_libraries(search_tests PRIVATE torvel_test_support)
