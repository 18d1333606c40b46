torvel_add_test(editfilter_tests CORE
    ${CMAKE_CURRENT_LIST_DIR}/EditFilterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DocumentLayoutTest.cpp
)
torvel_add_test(edits_tests GUI
    ${CMAKE_CURRENT_LIST_DIR}/FlEditTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/drumoEditTest.cpp
)
