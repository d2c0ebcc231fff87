# -DZELK_SANITIZE=ON builds everything, JUCE included, with AddressSanitizer and UBSan.
option(ZELK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(ZELK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
    add_compile_definitions(ZELK_SANITIZE=1)
endif()
