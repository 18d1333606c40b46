# Fault injection against the scripted server: one table of broken and valid replies.
torvel_add_test(transport_fault_tests CORE TransportFaultTest.cpp)
target_link_libraries(transport_fault_tests PRIVATE torvel_test_support)
