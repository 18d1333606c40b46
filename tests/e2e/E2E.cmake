# The whole program under a bare X server, driven with xdotool against torvel-server. Screenshots
# (and, on a failure, the logs and the screen) are kept in e2e-artifacts/ of the build tree.
if(NOT TARGET X11::X11)
    message(WARNING "libx11 not found: the end-to-end test under Xvfb is left out")
    return()
endif()

add_executable(e2e_bind_keys ${CMAKE_CURRENT_LIST_DIR}/BindKeys.cpp)
target_link_libraries(e2e_bind_keys PRIVATE X11::X11)

add_test(NAME EndToEndUnderXvfb
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/order_road.sh $<TARGET_FILE:UniTorvel>
            $<TARGET_FILE:torvel-server> $<TARGET_FILE:e2e_bind_keys>
            ${CMAKE_BINARY_DIR}/e2e-artifacts)
set_tests_properties(EndToEndUnderXvfb PROPERTIES TIMEOUT 180 LABELS e2e)
