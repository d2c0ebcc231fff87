# The plug-in's own code, by folder. Everything here goes into the one shared library.
set(ZELK_SOURCES
    core/ModulationDestinations.cpp
    core/NoteFields.cpp
    core/ParameterLayout.cpp
    core/ParameterPointers.cpp
    core/PatternAccess.cpp
    core/PatternExtent.cpp
    core/PatternMath.cpp
    core/Platform.cpp
    core/PlatformWindowEvents.cpp
    core/StatePersistence.cpp
    core/ZelkProcessor.cpp
    editing/AfterChangeRefresh.cpp
    editing/CanvasEditState.cpp
    editing/ClipboardEdits.cpp
    editing/CurveSmoothing.cpp
    editing/NoteClipboard.cpp
    editing/NoteConnections.cpp
    editing/PatternClearing.cpp
    editing/SelectionEdits.cpp
    editing/UndoHistory.cpp
    engine/AuditionSynth.cpp
    engine/EditAudition.cpp
    engine/ExpressionLanes.cpp
    engine/ExpressionRenderer.cpp
    engine/LfoAdvance.cpp
    engine/LfoEngine.cpp
    engine/LoopRegion.cpp
    engine/MemberChannels.cpp
    engine/MidiSender.cpp
    engine/ModulationRoutes.cpp
    engine/MpeVoices.cpp
    engine/NoteTable.cpp
    engine/PlaybackEngine.cpp
    engine/Transport.cpp
    engine/VectorWidth.cpp
    hosting/HostedInstrument.cpp
    hosting/PluginInspection.cpp
    hosting/PrivateCopies.cpp
    midi/CaptureReport.cpp
    midi/CapturedPattern.cpp
    midi/CurveFit.cpp
    midi/ExpressionTrack.cpp
    midi/GlideFit.cpp
    midi/MidiImport.cpp
    midi/MpeExport.cpp
    midi/NoteConversion.cpp
    midi/OfflineRender.cpp
    midi/PerformanceCapture.cpp
    midi/PlayedStream.cpp
    midi/VibratoFit.cpp
    midi/VibratoRuns.cpp
    ui/canvas/CanvasGeometry.cpp
    ui/canvas/CanvasHover.cpp
    ui/canvas/CanvasKeys.cpp
    ui/canvas/CanvasPainting.cpp
    ui/canvas/CanvasPointer.cpp
    ui/canvas/CanvasVibrato.cpp
    ui/canvas/CanvasView.cpp
    ui/canvas/DrawTool.cpp
    ui/canvas/EditTool.cpp
    ui/canvas/GlideTool.cpp
    ui/canvas/GraphStroke.cpp
    ui/canvas/NoteLayer.cpp
    ui/canvas/NoteLineSampling.cpp
    ui/canvas/VibratoPanel.cpp
    ui/canvas/ZelkCanvas.cpp
    ui/editor/ControlKnobs.cpp
    ui/editor/EditorActions.cpp
    ui/editor/EditorButtons.cpp
    ui/editor/EditorChoosers.cpp
    ui/editor/EditorLayout.cpp
    ui/editor/EditorPages.cpp
    ui/editor/LogoImage.cpp
    ui/editor/ZelkEditor.cpp
    ui/motion/Panel.cpp
    ui/motion/RouteGrid.cpp
    ui/motion/SliderRelease.cpp
    ui/motion/Source.cpp
    ui/motion/WaveEditor.cpp
    ui/style/Captions.cpp
    ui/style/Knob.cpp
    ui/style/KnobDrawing.cpp
    ui/style/Look.cpp
    ui/style/Palette.cpp
    ui/style/SliderDrawing.cpp
    ui/style/ThemeSwatch.cpp
    ui/style/ZelkButton.cpp)

# The engine's vector code: the expression lanes vectorise only when the compiler may assume
# floating point does not trap, and no file with code for wider vectors may contract into fused
# multiply-adds, so that every vector width gives the same bits.
set_source_files_properties(engine/ExpressionLanes.cpp PROPERTIES
    COMPILE_OPTIONS "$<$<CXX_COMPILER_ID:GNU,Clang>:-fno-trapping-math;-ffp-contract=off>")
set_source_files_properties(engine/AuditionSynth.cpp engine/LfoAdvance.cpp engine/LfoEngine.cpp PROPERTIES
    COMPILE_OPTIONS "$<$<CXX_COMPILER_ID:GNU,Clang>:-ffp-contract=off>")
