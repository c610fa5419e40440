# The Debian package (cpack -G DEB, run by scripts/package.sh): the installed programs, udev rule,
# desktop entry, icon and manual pages, plus the copyright file, the changelog and a postinst
# that reloads the udev rules. Dependencies are computed from the binaries by dpkg-shlibdeps.
set(KORVEL_PACKAGE_MAINTAINER "Korvel DSP Audio developers <korvel-dsp@users.noreply.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(KORVEL_PACKAGING_DEBIAN ${PROJECT_SOURCE_DIR}/packaging/debian)
set(KORVEL_DOC_DIR share/doc/korvel-dsp)

install(FILES ${KORVEL_PACKAGING_DEBIAN}/copyright DESTINATION ${KORVEL_DOC_DIR})

# The changelog's date follows SOURCE_DATE_EPOCH when set (the package script sets it to the
# last commit's time), so the same sources give the same package.
string(TIMESTAMP KORVEL_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${KORVEL_PACKAGING_DEBIAN}/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog
               @ONLY)
if(KORVEL_GZIP)
    add_custom_command(
        OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        COMMAND ${KORVEL_GZIP} -9nkf ${PROJECT_BINARY_DIR}/packaging/changelog
        DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog
        VERBATIM)
    add_custom_target(korvel_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
    install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${KORVEL_DOC_DIR})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel-dsp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Korvel DSP Audio")
set(CPACK_PACKAGE_CONTACT ${KORVEL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tuning tool for the Tarvik7 car-audio DSP amplifier")
# One string (a list would put ';' between the lines); lines stay under 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Korvel DSP Audio tunes the Tarvik7 car-audio DSP amplifier (model 72)\n"
    "over USB HID: live volume, delay, phase, routing, crossovers, a 31-band\n"
    "equaliser per channel, scenes stored in the amplifier, JSON profile\n"
    "files, firmware upgrade and automatic calibration.\n"
    "\n"
    "The package holds the application korvel-dsp, the command-line tool\n"
    "korvel-cli for scripts and installers, the virtual amplifier\n"
    "korvel-virtual-amp (a test and demo device), and a udev rule that lets\n"
    "the user at the seat open the amplifier.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_SOURCE_DIR}/dist)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # korvel-dsp_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${KORVEL_PACKAGING_DEBIAN}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
