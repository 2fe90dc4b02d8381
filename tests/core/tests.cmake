# The tests draw their pictures with FreeImage functions the program does not use.
quire_test(core DEPS core pipe_client freeimage)
if(TARGET core_tests)
    target_sources(core_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/TestPdf.cpp)
    # The manager loads the real pipe library; the file-information tests ask the real core.
    add_dependencies(core_tests quire-pipe quire-core)
    target_compile_definitions(core_tests PRIVATE PIPE_LIBRARY="$<TARGET_FILE:quire-pipe>"
                                                  QUIRE_CORE_BINARY="$<TARGET_FILE:quire-core>")
endif()
