# Warning and sanitizer flags shared by every target of the project.
add_library(korvel_warnings INTERFACE)
target_compile_options(korvel_warnings INTERFACE -Wall -Wextra -Wformat=2)
if(KORVEL_WERROR)
    target_compile_options(korvel_warnings INTERFACE -Werror)
endif()

if(KORVEL_SANITIZE)
    string(REPLACE ";" "," _san "${KORVEL_SANITIZE}")
    add_compile_options(-fsanitize=${_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${_san})
endif()

# korvel_add_library(name SOURCES... [HEADERS...] [PUBLIC_DEPS...] [DEPS...])
#
# A subsystem library. Its include root holds links to its own headers only, under the folder
# path below src/ ("model/scene_record.h", "eqgraph/widget/ui_equalizer.h"), so a file sees the
# headers of its own library and of the libraries it links, and nothing else. HEADERS defaults to
# the headers of the library's folder. PUBLIC_DEPS are the libraries its headers include; DEPS
# are used by its sources only.
function(korvel_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;HEADERS;PUBLIC_DEPS;DEPS" ${ARGN})
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    if(NOT ARG_HEADERS)
        file(GLOB ARG_HEADERS CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
             ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    endif()
    set(root ${PROJECT_BINARY_DIR}/include/${name})
    file(REMOVE_RECURSE ${root})
    foreach(header IN LISTS ARG_HEADERS)
        get_filename_component(dir ${root}/${folder}/${header} DIRECTORY)
        file(MAKE_DIRECTORY ${dir})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${root}/${folder}/${header}
             SYMBOLIC)
    endforeach()

    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${root})
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_DEPS} PRIVATE ${ARG_DEPS} korvel_warnings)
    korvel_register_component(${name} ${folder} "${ARG_PUBLIC_DEPS};${ARG_DEPS}")
endfunction()

# korvel_add_executable(name SOURCES... [DEPS...]) : a program under apps/.
function(korvel_add_executable name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} korvel_warnings)
    korvel_register_component(${name} ${folder} "${ARG_DEPS}")
endfunction()

# Records a library or program for the layering checks (cmake/Layers.cmake).
function(korvel_register_component name folder deps)
    set(own)
    set(uses_qt OFF)
    foreach(dep IN LISTS deps)
        if(dep MATCHES "^korvel_")
            list(APPEND own ${dep})
        elseif(dep MATCHES "^Qt6::")
            set(uses_qt ON)
        endif()
    endforeach()
    set_property(GLOBAL APPEND PROPERTY KORVEL_COMPONENTS ${name})
    set_property(GLOBAL PROPERTY KORVEL_FOLDER_${name} ${folder})
    set_property(GLOBAL PROPERTY KORVEL_DEPS_${name} "${own}")
    set_property(GLOBAL PROPERTY KORVEL_QT_${name} ${uses_qt})
    set_property(GLOBAL PROPERTY KORVEL_SOURCE_DIR_${name} ${CMAKE_CURRENT_SOURCE_DIR})
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
