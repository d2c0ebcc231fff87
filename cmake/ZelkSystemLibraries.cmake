# Debian's JUCE leaves out its bundled zlib, libpng and libjpeg; the system's copies stand in.
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)

function(zelk_link_system_libraries target)
    target_link_libraries(${target} PRIVATE PNG::PNG JPEG::JPEG ZLIB::ZLIB)
endfunction()
