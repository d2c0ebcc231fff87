# Debian's JUCE leaves out its bundled zlib, libpng and libjpeg (its juce_core.h pins
# JUCE_INCLUDE_ZLIB_CODE to 0); the system's copies stand in. JUCE's own releases bring theirs.
file(STRINGS "${JUCE_MODULES_DIR}/juce_core/juce_core.h" ZELK_JUCE_LACKS_IMAGE_LIBRARIES
    REGEX "^#define JUCE_INCLUDE_ZLIB_CODE 0")

if(ZELK_JUCE_LACKS_IMAGE_LIBRARIES)
    # For Windows they are static archives (MinGW's zlib, libpng and libjpeg cross-built by
    # scripts/windows.sh), so the plug-in DLL needs no DLLs beside it.
    if(MINGW)
        set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
    endif()

    find_package(ZLIB REQUIRED)
    find_package(PNG REQUIRED)
    find_package(JPEG REQUIRED)
endif()

function(zelk_link_system_libraries target)
    if(ZELK_JUCE_LACKS_IMAGE_LIBRARIES)
        target_link_libraries(${target} PRIVATE PNG::PNG JPEG::JPEG ZLIB::ZLIB)
    endif()
endfunction()
