# One library per source folder: every .cpp of the folder except the entry points listed in
# EXCLUDE, with the folder's parent (src/) as the include root so that headers are included
# as "platform/Text.h".
function(quire_library name)
    cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    foreach(excluded IN LISTS ARG_EXCLUDE)
        list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
    endforeach()
    # A folder whose code is not written yet is still a target others can name.
    if(NOT sources)
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
        return()
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# One GoogleTest binary per tested folder: tests/<folder>/*.cpp. PROPERTIES are added to every
# test of the binary.
function(quire_test folder)
    cmake_parse_arguments(ARG "" "" "DEPS;PROPERTIES" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
    set(name ${folder}_tests)
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX "${folder}."
                         PROPERTIES TIMEOUT 120 ${ARG_PROPERTIES})
endfunction()

# Shipped defaults and resources: resources/program/ is copied as it stands into the program
# folder (the folder of the executables), where the program reads them at run time.
function(quire_program_files)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/resources/program
         ${PROJECT_SOURCE_DIR}/resources/program/*)
    set(outputs)
    foreach(file IN LISTS files)
        set(output ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${file})
        add_custom_command(OUTPUT ${output}
                           COMMAND ${CMAKE_COMMAND} -E copy_if_different
                                   ${PROJECT_SOURCE_DIR}/resources/program/${file} ${output}
                           DEPENDS ${PROJECT_SOURCE_DIR}/resources/program/${file})
        list(APPEND outputs ${output})
    endforeach()
    add_custom_target(program_files ALL DEPENDS ${outputs})
endfunction()
