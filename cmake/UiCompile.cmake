# korvel_compile_ui(target NAME name [LAYOUTS resource=file...] [LANGUAGES resource=file...])
#
# Compiles layout and language files of `target` with korvel-ui-compile and embeds each result
# as the Qt resource ":/<resource>.bin", which the framework reads instead of parsing the XML.
# `resource` is the file's resource path without the leading ":/"; `file` is relative to the
# calling folder. The code registers the resources with Q_INIT_RESOURCE(name).
function(korvel_compile_ui target)
    cmake_parse_arguments(ARG "" "NAME" "LAYOUTS;LANGUAGES" ${ARGN})
    set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/compiled_ui)
    set(qrc ${out_dir}/${ARG_NAME}.qrc)
    set(entries "")
    set(outputs "")
    foreach(kind layout language)
        if(kind STREQUAL "layout")
            set(items ${ARG_LAYOUTS})
        else()
            set(items ${ARG_LANGUAGES})
        endif()
        foreach(item IN LISTS items)
            string(REPLACE "=" ";" parts ${item})
            list(GET parts 0 resource)
            list(GET parts 1 file)
            set(source ${CMAKE_CURRENT_SOURCE_DIR}/${file})
            set(output ${out_dir}/${resource}.bin)
            get_filename_component(output_dir ${output} DIRECTORY)
            add_custom_command(OUTPUT ${output}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
                COMMAND korvel-ui-compile ${kind} ${source} ${output}
                DEPENDS korvel-ui-compile ${source}
                COMMENT "Compiling ${file}"
                VERBATIM)
            list(APPEND outputs ${output})
            string(APPEND entries "    <file alias=\"${resource}.bin\">${output}</file>\n")
        endforeach()
    endforeach()
    file(CONFIGURE OUTPUT ${qrc} CONTENT
         "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/\">\n${entries}  </qresource>\n</RCC>\n")
    set(cpp ${out_dir}/qrc_${ARG_NAME}.cpp)
    add_custom_command(OUTPUT ${cpp}
        COMMAND Qt6::rcc --name ${ARG_NAME} --output ${cpp} ${qrc}
        DEPENDS ${qrc} ${outputs}
        VERBATIM)
    set_source_files_properties(${cpp} PROPERTIES SKIP_AUTOGEN ON)
    target_sources(${target} PRIVATE ${cpp})
endfunction()
