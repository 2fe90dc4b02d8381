quire_test(reconstruct DEPS reconstruct platform)
if(TARGET reconstruct_tests)
    # Extraction tests draw their pages with cairo and pango (real fonts, real text layers); the
    # writers' tests read the XML they wrote.
    pkg_check_modules(RECONSTRUCT_TEST_DRAWING REQUIRED IMPORTED_TARGET pangocairo tinyxml2)
    target_sources(reconstruct_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/TestPdf.cpp)
    target_link_libraries(reconstruct_tests PRIVATE PkgConfig::RECONSTRUCT_TEST_DRAWING)
endif()
