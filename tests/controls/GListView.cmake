torvel_add_test(rowlist_tests CORE ${CMAKE_CURRENT_LIST_DIR}/GListViewRowListTest.cpp)
torvel_add_test(glistview_tests GUI ${CMAKE_CURRENT_LIST_DIR}/GListViewWidgetTest.cpp)
