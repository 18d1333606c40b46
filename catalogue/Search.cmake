# The product search window and F3 of the main window (gui).
target_sources(torvel_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Procura_Prod.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Procura_Prod.h
    ${CMAKE_CURRENT_LIST_DIR}/ProductSearch.cpp
)
