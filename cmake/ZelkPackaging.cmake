# What the packages hold. On Linux: the install rules and CPack's Debian package (scripts/package.sh
# runs cpack). For Windows the icon only; makensis builds the installer from packaging/windows/.
# The targets here are not part of a plain build: scripts/package.sh asks for them.

# The icon is the logo, shrunk onto a square of its own paper colour (ImageMagick's convert).
set(ZELK_LOGO "${CMAKE_CURRENT_SOURCE_DIR}/resources/zelk-logo.png")
set(ZELK_LOGO_PAPER "#f6f3eb")
set(ZELK_ICON_FOLDER "${CMAKE_CURRENT_BINARY_DIR}/icons")
find_program(ZELK_CONVERT convert)

if(ZELK_CONVERT)
    set(square -resize 256x256 -background "${ZELK_LOGO_PAPER}" -gravity center -extent 256x256)
    add_custom_command(OUTPUT "${ZELK_ICON_FOLDER}/zelk.png" "${ZELK_ICON_FOLDER}/zelk.ico"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${ZELK_ICON_FOLDER}"
        COMMAND "${ZELK_CONVERT}" "${ZELK_LOGO}" ${square} -strip "PNG32:${ZELK_ICON_FOLDER}/zelk.png"
        COMMAND "${ZELK_CONVERT}" "${ZELK_LOGO}" ${square} -define icon:auto-resize=256,48,32,16
            "${ZELK_ICON_FOLDER}/zelk.ico"
        DEPENDS "${ZELK_LOGO}"
        VERBATIM)
    add_custom_target(zelk_icons DEPENDS "${ZELK_ICON_FOLDER}/zelk.png" "${ZELK_ICON_FOLDER}/zelk.ico")

    # The Windows Standalone's own icon, which Explorer, the taskbar and its window show.
    if(WIN32)
        set(ZELK_ICON_RESOURCE "${ZELK_ICON_FOLDER}/standalone-icon.rc")
        file(CONFIGURE OUTPUT "${ZELK_ICON_RESOURCE}" CONTENT "1 ICON \"${ZELK_ICON_FOLDER}/zelk.ico\"\n")
        set_source_files_properties("${ZELK_ICON_RESOURCE}" PROPERTIES OBJECT_DEPENDS "${ZELK_ICON_FOLDER}/zelk.ico")
        target_sources(Zelk_Standalone PRIVATE "${ZELK_ICON_RESOURCE}")
    endif()
endif()

if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
endif()

# The man pages, zelk's from its --help (help2man), and the changelog, compressed as Debian wants them:
# without a time stamp, so the package is the same from one build to the next.
find_program(ZELK_HELP2MAN help2man)
find_program(ZELK_GZIP gzip)
set(ZELK_PACKAGE_FOLDER "${CMAKE_CURRENT_BINARY_DIR}/package-files")

if(ZELK_HELP2MAN AND ZELK_GZIP)
    add_custom_command(OUTPUT "${ZELK_PACKAGE_FOLDER}/zelk.1.gz"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${ZELK_PACKAGE_FOLDER}"
        COMMAND "${ZELK_HELP2MAN}" --no-info --section=1 --version-string=${PROJECT_VERSION}
            "--name=draw MPE expression patterns, export them and check Zelk plug-ins"
            "--include=${CMAKE_CURRENT_SOURCE_DIR}/packaging/linux/zelk.h2m"
            "--output=${ZELK_PACKAGE_FOLDER}/zelk.1" $<TARGET_FILE:zelk>
        COMMAND "${ZELK_GZIP}" -9nf "${ZELK_PACKAGE_FOLDER}/zelk.1"
        DEPENDS zelk "${CMAKE_CURRENT_SOURCE_DIR}/packaging/linux/zelk.h2m"
        VERBATIM)
    configure_file(packaging/linux/zelk-standalone.1.in "${ZELK_PACKAGE_FOLDER}/zelk-standalone.1" @ONLY)
    add_custom_command(OUTPUT "${ZELK_PACKAGE_FOLDER}/zelk-standalone.1.gz"
        COMMAND "${ZELK_GZIP}" -9nc "${ZELK_PACKAGE_FOLDER}/zelk-standalone.1"
            > "${ZELK_PACKAGE_FOLDER}/zelk-standalone.1.gz"
        DEPENDS "${ZELK_PACKAGE_FOLDER}/zelk-standalone.1"
        VERBATIM)
    add_custom_command(OUTPUT "${ZELK_PACKAGE_FOLDER}/changelog.gz"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${ZELK_PACKAGE_FOLDER}"
        COMMAND "${ZELK_GZIP}" -9nc "${CMAKE_CURRENT_SOURCE_DIR}/packaging/linux/changelog"
            > "${ZELK_PACKAGE_FOLDER}/changelog.gz"
        DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/packaging/linux/changelog"
        VERBATIM)
    add_custom_target(zelk_package_files DEPENDS "${ZELK_PACKAGE_FOLDER}/zelk.1.gz"
        "${ZELK_PACKAGE_FOLDER}/zelk-standalone.1.gz" "${ZELK_PACKAGE_FOLDER}/changelog.gz")
endif()

# The changelog is written by hand; a version without an entry of its own is easy to miss.
file(STRINGS packaging/linux/changelog ZELK_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT ZELK_CHANGELOG_TOP MATCHES "^zelk \\(${PROJECT_VERSION}\\) ")
    message(WARNING "packaging/linux/changelog has no entry for version ${PROJECT_VERSION} at its top")
endif()

# Where Linux hosts look for system-wide VST 3 plug-ins, and the programs beside it.
get_target_property(ZELK_VST3_BUNDLE Zelk_VST3 JUCE_PLUGIN_ARTEFACT_FILE)
install(DIRECTORY "${ZELK_VST3_BUNDLE}" DESTINATION lib/vst3 USE_SOURCE_PERMISSIONS)
install(PROGRAMS $<TARGET_FILE:Zelk_Standalone> DESTINATION bin RENAME zelk-standalone)
install(TARGETS zelk RUNTIME DESTINATION bin)
install(FILES packaging/linux/zelk-standalone.desktop DESTINATION share/applications)
install(FILES "${ZELK_ICON_FOLDER}/zelk.png" DESTINATION share/icons/hicolor/256x256/apps OPTIONAL)
install(FILES "${ZELK_PACKAGE_FOLDER}/zelk.1.gz" "${ZELK_PACKAGE_FOLDER}/zelk-standalone.1.gz"
    DESTINATION share/man/man1 OPTIONAL)
install(FILES packaging/linux/copyright "${ZELK_PACKAGE_FOLDER}/changelog.gz" DESTINATION share/doc/zelk OPTIONAL)
# install(TARGETS) strips what it installs when asked (cpack, cmake --install --strip); this strips
# the two binaries installed otherwise the same way.
install(CODE "set(ZELK_STRIP \"${CMAKE_STRIP}\")")
install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(binary bin/zelk-standalone lib/vst3/Zelk.vst3/Contents/x86_64-linux/Zelk.so)
            execute_process(COMMAND "${ZELK_STRIP}" --strip-unneeded "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${binary}"
                COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()
]])

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelk)
set(CPACK_PACKAGE_VENDOR Ostrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(ZELK_PACKAGE_MAINTAINER "Ostrel <zelk@ostrel.example>" CACHE STRING "The Debian package's maintainer")
set(CPACK_PACKAGE_CONTACT "${ZELK_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MPE expression instrument plug-in (VST 3)")
# CPack puts the summary first and indents these lines; the empty one separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Zelk is a piano roll of up to 128 notes, each with its own pitch, pressure
and timbre curves, vibrato and shaped glides into connected notes; three
LFOs modulate the global controls. It plays the pattern as MPE MIDI to the
host, to its built-in audition synth, or to a VST 3 instrument it hosts.

This package holds the VST 3 plug-in, the Standalone application
(zelk-standalone) and the command-line tool zelk, which imports, exports
and renders patterns and checks a plug-in as a host loads it.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# JUCE opens the X libraries with dlopen, so shlibdeps cannot see that its windows need them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libx11-6, libxext6, libxcursor1, libxinerama1, libxrandr2, libxrender1")
# The window's captions need a font; JUCE finds it through the font folders.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
