target_sources(torvel_core PRIVATE Config.cpp)
target_sources(torvel_gui PRIVATE Central.cpp Central.h uFStatus.cpp uFStatus.h)
add_executable(UniTorvel UniTorvel.cpp)
target_link_libraries(UniTorvel PRIVATE torvel_gui)
