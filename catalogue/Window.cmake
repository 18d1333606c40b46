target_sources(torvel_gui PRIVATE CatalogueDownload.cpp)
