quire_test(online DEPS online quire_service_lib)
if(TARGET online_tests)
    # The request layer is tested against a small scripted HTTP server; the protocol and the
    # task manager against the real service, run in-process with scripted faults.
    pkg_check_modules(ONLINE_TEST_HTTP REQUIRED IMPORTED_TARGET cpp-httplib)
    target_link_libraries(online_tests PRIVATE PkgConfig::ONLINE_TEST_HTTP)
endif()
