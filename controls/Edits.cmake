# The entry fields: key filters and layouts in the core, the widgets in the gui.
target_sources(torvel_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/EditFilters.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DocumentLayout.cpp
)
target_sources(torvel_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/FlEdit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlEdit.h
    ${CMAKE_CURRENT_LIST_DIR}/drumoEdit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/drumoEdit.h
    ${CMAKE_CURRENT_LIST_DIR}/ScrollLock.cpp
)
