quire_test(cli DEPS cli pipe_client)
if(TARGET cli_tests)
    target_sources(cli_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/TestPdf.cpp)
    # The end-to-end tests run the real command line, which needs its core and pipe library.
    add_dependencies(cli_tests quire-cli quire-pipe quire-core)
    target_compile_definitions(cli_tests PRIVATE QUIRE_CLI_BINARY="$<TARGET_FILE:quire-cli>")
endif()
