# Debian's JUCE leaves out its bundled zlib, libpng and libjpeg (its juce_core.h pins
# JUCE_INCLUDE_ZLIB_CODE to 0); the system's copies stand in. JUCE's own releases bring theirs.
file(STRINGS "${JUCE_MODULES_DIR}/juce_core/juce_core.h" ZELK_JUCE_LACKS_IMAGE_LIBRARIES
    REGEX "^#define JUCE_INCLUDE_ZLIB_CODE 0")

# A folder of a static, position-independent libjpeg (scripts/image-libraries.sh builds it) to
# link instead of the shared one, so that the Debian package does not depend on it: Debian names
# it libjpeg62-turbo (libjpeg.so.62), Ubuntu libjpeg-turbo8 (libjpeg.so.8). libpng and zlib stay
# shared; libpng16-16 and zlib1g are packages of both (and freetype needs libpng anyway).
set(ZELK_STATIC_IMAGE_LIBRARIES "" CACHE PATH "Folder of a static libjpeg to link on Linux")

if(ZELK_JUCE_LACKS_IMAGE_LIBRARIES)
    # For Windows they are static archives (MinGW's zlib, libpng and libjpeg cross-built by
    # scripts/windows.sh), so the plug-in DLL needs no DLLs beside it.
    if(MINGW)
        set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
    endif()

    find_package(ZLIB REQUIRED)
    find_package(PNG REQUIRED)

    if(ZELK_STATIC_IMAGE_LIBRARIES AND NOT MINGW)
        set(ZELK_JPEG_PREFIX "${ZELK_STATIC_IMAGE_LIBRARIES}")
        foreach(file lib/libjpeg.a include/jpeglib.h include/jconfig.h)
            if(NOT EXISTS "${ZELK_JPEG_PREFIX}/${file}")
                message(FATAL_ERROR "ZELK_STATIC_IMAGE_LIBRARIES: ${ZELK_JPEG_PREFIX} has no ${file}")
            endif()
        endforeach()
        add_library(zelk_static_jpeg STATIC IMPORTED)
        set_target_properties(zelk_static_jpeg PROPERTIES IMPORTED_LOCATION "${ZELK_JPEG_PREFIX}/lib/libjpeg.a")
        # Debian's JUCE links every target with the shared libpng and libjpeg that pkg-config
        # finds; this one takes the shared libjpeg's place. Its include folders stay, so every
        # file compiles as in any other build (and comes from the compiler cache).
        if(TARGET pkgconfig_JUCE_IMG_LINUX_DEPS)
            set_target_properties(pkgconfig_JUCE_IMG_LINUX_DEPS PROPERTIES
                INTERFACE_LINK_LIBRARIES "PNG::PNG;zelk_static_jpeg" INTERFACE_LINK_OPTIONS "")
        endif()
    else()
        find_package(JPEG REQUIRED)
    endif()
endif()

function(zelk_link_system_libraries target)
    if(TARGET zelk_static_jpeg)
        target_link_libraries(${target} PRIVATE PNG::PNG zelk_static_jpeg ZLIB::ZLIB)
        # Its headers only where JUCE reads images, so that only that file compiles anew.
        set_source_files_properties("${JUCE_MODULES_DIR}/juce_graphics/juce_graphics.cpp"
            PROPERTIES INCLUDE_DIRECTORIES "${ZELK_JPEG_PREFIX}/include")
        # Its symbols stay inside each binary, so that a host's own libjpeg is not called instead.
        target_link_options(${target} INTERFACE "LINKER:--exclude-libs,libjpeg.a")
    elseif(ZELK_JUCE_LACKS_IMAGE_LIBRARIES)
        target_link_libraries(${target} PRIVATE PNG::PNG JPEG::JPEG ZLIB::ZLIB)
    endif()
endfunction()
