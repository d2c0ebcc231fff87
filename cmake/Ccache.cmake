# Rebuilding JUCE is most of a clean build; ccache makes the repeats cheap.
find_program(ZELK_CCACHE ccache)
if(ZELK_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set(CMAKE_C_COMPILER_LAUNCHER "${ZELK_CCACHE}")
    set(CMAKE_CXX_COMPILER_LAUNCHER "${ZELK_CCACHE}")
endif()
