# -DZELK_SANITIZE=ON builds everything, JUCE included, with AddressSanitizer and UBSan.
option(ZELK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(ZELK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
    add_compile_definitions(ZELK_SANITIZE=1)
endif()

# -DZELK_TSAN=ON builds everything with ThreadSanitizer, for the tests that run the audio thread,
# the message thread and a host's state calls at once.
option(ZELK_TSAN "Build with ThreadSanitizer" OFF)
if(ZELK_TSAN)
    if(ZELK_SANITIZE)
        message(FATAL_ERROR "ZELK_TSAN and ZELK_SANITIZE cannot be combined: use two build folders")
    endif()
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -g1)
    add_link_options(-fsanitize=thread)
    add_compile_definitions(ZELK_TSAN=1)
endif()

# -DZELK_FUZZ=ON (with clang) builds the libFuzzer targets of tests/fuzz: everything is
# instrumented for coverage and runs under AddressSanitizer and UBSan; only the targets link
# libFuzzer's driver. Never part of the plug-in.
option(ZELK_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(ZELK_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "ZELK_FUZZ needs clang: configure with -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
    endif()
    if(ZELK_SANITIZE OR ZELK_TSAN)
        message(FATAL_ERROR "ZELK_FUZZ brings its own sanitizers: use a build folder of its own")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined -g1)
    add_link_options(-fsanitize=address,undefined)
    add_compile_definitions(ZELK_SANITIZE=1 ZELK_FUZZ=1)
endif()
