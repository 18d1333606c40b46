# Every file the program writes, written through the window while the disk fails under it.
torvel_add_test(disk_fault_tests GUI ${CMAKE_CURRENT_LIST_DIR}/DiskFaultTest.cpp)
target_link_libraries(disk_fault_tests PRIVATE torvel_test_support)
