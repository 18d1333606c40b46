# The report list control: the row model in the core, the widget in the gui.
target_sources(torvel_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/RowList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RowList.h
)
target_sources(torvel_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/GListView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GListView.h
)
