torvel_add_test(util_tests CORE TextTest.cpp SafeFileTest.cpp)
torvel_add_test(util_gui_tests GUI WidgetBoundaryTest.cpp)
