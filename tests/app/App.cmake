torvel_add_test(config_tests CORE ConfigTest.cpp)
