# Include check, run with: cmake -DMANIFEST=<build>/layers_manifest.txt -P CheckIncludes.cmake
#
# Every project include ("folder/header.h") of a source file must name a header of the file's own
# library or of a library that library links; Qt headers (<Q...>) are allowed only in libraries
# that link Qt. Fails with one line per offending include.
cmake_minimum_required(VERSION 3.22)
file(STRINGS ${MANIFEST} lines REGEX "^[^#]")

set(known_folders)
foreach(line IN LISTS lines)
    string(REPLACE "|" ";" fields "${line}")
    list(GET fields 1 folder)
    list(APPEND known_folders ${folder})
endforeach()

set(errors 0)
foreach(line IN LISTS lines)
    string(REPLACE "|" ";" fields "${line}")
    list(GET fields 0 name)
    list(GET fields 1 folder)
    list(GET fields 2 qt)
    list(GET fields 3 dir)
    list(LENGTH fields count)
    set(allowed ${folder})
    if(count GREATER 4)
        list(GET fields 4 deps)
        string(REPLACE "," ";" deps "${deps}")
        list(APPEND allowed ${deps})
    endif()

    file(GLOB sources ${dir}/*.cpp ${dir}/*.h)
    foreach(source IN LISTS sources)
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
        foreach(include IN LISTS includes)
            if(include MATCHES "#[ \t]*include[ \t]*\"(.+)/[^/]+\"")
                set(header_folder ${CMAKE_MATCH_1})
                if(header_folder IN_LIST known_folders AND NOT header_folder IN_LIST allowed)
                    message("${source}: ${name} (src/${folder}) includes a header of "
                            "src/${header_folder}, which it does not link: ${include}")
                    math(EXPR errors "${errors} + 1")
                endif()
            elseif(include MATCHES "#[ \t]*include[ \t]*<Q[A-Za-z]*[>/]" AND NOT qt)
                message("${source}: ${name} (src/${folder}) has no Qt, but includes ${include}")
                math(EXPR errors "${errors} + 1")
            endif()
        endforeach()
    endforeach()
endforeach()

if(errors GREATER 0)
    message(FATAL_ERROR "${errors} include(s) break the layering (cmake/Layers.cmake)")
endif()
message(STATUS "Layering: every include follows the layers")
