quire_test(service DEPS quire_service_lib)
if(TARGET service_tests)
    # The converter's tests build PDFs and read Office packages, and run the real core.
    pkg_check_modules(SERVICE_TEST_ZIP REQUIRED IMPORTED_TARGET libzip)
    target_sources(service_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/TestPdf.cpp)
    target_link_libraries(service_tests PRIVATE PkgConfig::SERVICE_TEST_ZIP)
    add_dependencies(service_tests quire-core quire-pipe)
    target_compile_definitions(service_tests PRIVATE
                               QUIRE_CORE_BINARY="$<TARGET_FILE:quire-core>"
                               QUIRE_PIPE_LIBRARY="$<TARGET_FILE:quire-pipe>")
    # The process tests run the real service.
    add_dependencies(service_tests quire-service)
    target_compile_definitions(service_tests PRIVATE
                               QUIRE_SERVICE_BINARY="$<TARGET_FILE:quire-service>")
endif()
