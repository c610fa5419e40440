# Manual pages written at build time by help2man from each program's own --help and --version,
# so a page can't drift from the help text. Installed gzipped into share/man/man1.
option(KORVEL_BUILD_MANPAGES "Generate the manual pages with help2man" ON)
find_program(KORVEL_HELP2MAN help2man)
find_program(KORVEL_GZIP gzip)
if(KORVEL_BUILD_MANPAGES AND NOT (KORVEL_HELP2MAN AND KORVEL_GZIP))
    message(STATUS "help2man or gzip not found: no manual pages (scripts/install-deps.sh)")
endif()

# korvel_add_manpage(program "one-line description"): section 1 page of a program target.
function(korvel_add_manpage program description)
    if(NOT (KORVEL_BUILD_MANPAGES AND KORVEL_HELP2MAN AND KORVEL_GZIP))
        return()
    endif()
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
    add_custom_command(
        OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND ${KORVEL_HELP2MAN} --no-info --no-discard-stderr --section=1
                "--name=${description}" --output=${page} $<TARGET_FILE:${program}>
        # -n leaves the name and time out of the gzip header: the same page gives the same file.
        COMMAND ${KORVEL_GZIP} -9nf ${page}
        DEPENDS ${program}
        COMMENT "Writing the manual page ${program}(1)"
        VERBATIM)
    add_custom_target(${program}_manpage ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION share/man/man1)
endfunction()
