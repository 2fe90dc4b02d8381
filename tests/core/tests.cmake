quire_test(core DEPS core)
if(TARGET core_tests)
    # The manager loads the real pipe library.
    add_dependencies(core_tests quire-pipe)
    target_compile_definitions(core_tests PRIVATE PIPE_LIBRARY="$<TARGET_FILE:quire-pipe>")
endif()
