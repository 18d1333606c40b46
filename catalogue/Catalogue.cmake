# The catalogue file, the product table and its filter (core).
target_sources(torvel_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CatalogueFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NameCollation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProductFilter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProductTable.cpp
)
