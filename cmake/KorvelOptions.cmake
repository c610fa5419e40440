# Warning and sanitizer flags shared by every target of the project.
add_library(korvel_warnings INTERFACE)
target_compile_options(korvel_warnings INTERFACE -Wall -Wextra)
if(KORVEL_WERROR)
    target_compile_options(korvel_warnings INTERFACE -Werror)
endif()

if(KORVEL_SANITIZE)
    string(REPLACE ";" "," _san "${KORVEL_SANITIZE}")
    add_compile_options(-fsanitize=${_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${_san})
endif()

# korvel_add_library(name SOURCES... [DEPS ...]) : a subsystem library with src/ as include root.
function(korvel_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE korvel_warnings)
endfunction()

# korvel_add_test(name SOURCES... DEPS ... [LABELS ...]) : one GoogleTest executable registered with CTest.
function(korvel_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main korvel_warnings)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    # One CTest entry per suite: each suite runs in one process, which keeps the sanitizer and
    # GUI runs short (a Qt application starts once per suite, not once per case).
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 900)
    # Suites labelled "tsan" are rebuilt and rerun under ThreadSanitizer by the test script.
    if("tsan" IN_LIST ARG_LABELS)
        add_dependencies(korvel_tsan_tests ${name})
    endif()
endfunction()
