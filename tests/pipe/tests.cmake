# The pipe tests talk to the real library, loaded as the program loads it.
quire_test(pipe DEPS pipe_client)
if(TARGET pipe_tests)
    add_dependencies(pipe_tests quire-pipe)
    target_compile_definitions(pipe_tests PRIVATE PIPE_LIBRARY="$<TARGET_FILE:quire-pipe>")
endif()
