quire_test(cli DEPS cli pipe_client)
if(TARGET cli_tests)
    target_sources(cli_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/TestPdf.cpp)
    # The end-to-end tests run the real command line, which needs its core and pipe library;
    # the online ones also a real conversion service, and draw their scans with cairo and pango.
    add_dependencies(cli_tests quire-cli quire-pipe quire-core quire-service)
    target_compile_definitions(cli_tests PRIVATE QUIRE_CLI_BINARY="$<TARGET_FILE:quire-cli>"
                                                 QUIRE_SERVICE_BINARY="$<TARGET_FILE:quire-service>")
    pkg_check_modules(CLI_TEST_DRAWING REQUIRED IMPORTED_TARGET pangocairo libzip)
    target_link_libraries(cli_tests PRIVATE PkgConfig::CLI_TEST_DRAWING)
endif()
