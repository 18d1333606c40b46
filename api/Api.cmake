# Order server protocol: HTTP transport, cookie store and the six operations.
target_sources(torvel_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CookieJar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HttpTransport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OrderApi.cpp
)
