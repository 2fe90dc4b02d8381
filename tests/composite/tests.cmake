quire_test(composite DEPS composite pipe_client)
if(TARGET composite_tests)
    target_sources(composite_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/TestPdf.cpp)
    # The real-core tests start the real pipe library and conversion core.
    add_dependencies(composite_tests quire-pipe quire-core)
    target_compile_definitions(composite_tests PRIVATE PIPE_LIBRARY="$<TARGET_FILE:quire-pipe>"
                                                       QUIRE_CORE_BINARY="$<TARGET_FILE:quire-core>")
endif()
