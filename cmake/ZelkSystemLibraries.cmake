# Debian's JUCE leaves out its bundled zlib, libpng and libjpeg; the system's copies stand in.
# For Windows they are static archives (MinGW's zlib, libpng and libjpeg cross-built by
# scripts/windows.sh), so the plug-in DLL needs no DLLs beside it.
if(MINGW)
    set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
endif()

find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)

function(zelk_link_system_libraries target)
    target_link_libraries(${target} PRIVATE PNG::PNG JPEG::JPEG ZLIB::ZLIB)
endfunction()
