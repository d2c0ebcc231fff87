# The tests the Windows build runs under Wine (scripts/windows.sh): the engine's bit-exact session,
# on the compiler and C library that ship, the hosted instrument with its window, and the DRAG MIDI
# grip starting an OLE drag from a real window. Wine sees this machine's folders on drive Z:.
add_executable(zelk_tests
    helpers/TestMain.cpp
    helpers/AllocationCounter.cpp
    helpers/EngineHarness.cpp
    helpers/FixtureBundles.cpp
    helpers/TestProcessor.cpp
    drag_out_window.cpp
    engine_golden.cpp
    hosted_instrument.cpp
    hosted_window.cpp
    ../tools/RealWindows.cpp)

target_link_libraries(zelk_tests PRIVATE Zelk GTest::gtest)
get_target_property(ZELK_VST3_BUNDLE Zelk_VST3 JUCE_PLUGIN_ARTEFACT_FILE)
get_target_property(ZELK_FIXTURE_BUNDLE ZelkFixture_VST3 JUCE_PLUGIN_ARTEFACT_FILE)
target_compile_definitions(zelk_tests PRIVATE
    ZELK_VST3_BUNDLE="Z:${ZELK_VST3_BUNDLE}"
    ZELK_FIXTURE_BUNDLE="Z:${ZELK_FIXTURE_BUNDLE}"
    ZELK_REAL_WINDOWS_DIR="Z:${CMAKE_BINARY_DIR}/real-windows")
add_dependencies(zelk_tests Zelk_VST3 ZelkFixture_VST3)
