torvel_add_test(catalogue_tests CORE
    CatalogueFileTest.cpp
    NameCollationTest.cpp
    ProductFilterTest.cpp
    ProductTableTest.cpp
)
