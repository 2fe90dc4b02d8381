quire_test(convcore DEPS convcore convcore_tools pipe_interfaces)
if(TARGET convcore_tests)
    target_sources(convcore_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/TestPdf.cpp)
    # The end-to-end test runs the real core against the real pipe library.
    add_dependencies(convcore_tests quire-core quire-pipe)
    target_compile_definitions(convcore_tests PRIVATE
                               QUIRE_CORE_BINARY="$<TARGET_FILE:quire-core>"
                               QUIRE_PIPE_LIBRARY="$<TARGET_FILE:quire-pipe>")
endif()
