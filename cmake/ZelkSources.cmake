# The plug-in's own code, by folder. Everything here goes into the one shared library.
set(ZELK_SOURCES
    core/ModulationDestinations.cpp
    core/NoteFields.cpp
    core/ParameterLayout.cpp
    core/ParameterPointers.cpp
    core/PatternAccess.cpp
    core/PatternMath.cpp
    core/Platform.cpp
    core/StatePersistence.cpp
    core/ZelkProcessor.cpp
    engine/LfoEngine.cpp
    engine/ModulationRoutes.cpp
    hosting/HostedInstrument.cpp
    hosting/PluginInspection.cpp
    midi/MidiImport.cpp
    ui/editor/ZelkEditor.cpp)
