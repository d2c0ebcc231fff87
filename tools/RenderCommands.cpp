#include "core/ZelkProcessor.h"
#include "midi/MpeExport.h"
#include "midi/OfflineRender.h"
#include "tools/Commands.h"
#include "tools/DemoPattern.h"
#include "tools/OutputArguments.h"
#include "tools/PatternFiles.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <iostream>

namespace zelk::cli
{
namespace
{
bool loadOrReport (ZelkProcessor& processor, const juce::File& file)
{
    const auto error = loadPattern (processor, file);

    if (error.isEmpty())
        return true;

    printError (file.getFullPathName() + ": " + error);
    return false;
}

// Writes through a temporary file beside the target, so a failure never leaves part of a file.
template <typename Write>
bool writeReplacing (const juce::File& target, Write&& write)
{
    if (target.isDirectory() || ! target.getParentDirectory().isDirectory())
        return false;

    juce::TemporaryFile temporary (target);
    return write (temporary.getFile()) && temporary.overwriteTargetFileWithTemporary();
}

bool writeWav (ZelkProcessor& processor, const juce::File& file)
{
    juce::FileOutputStream* stream = new juce::FileOutputStream (file);
    std::unique_ptr<juce::OutputStream> owned (stream);

    if (stream->failedToOpen())
        return false;

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (
        wav.createWriterFor (owned.get(), OfflineRender::sampleRate, 2, 24, {}, 0));

    if (writer == nullptr)
        return false;

    owned.release(); // the writer owns the stream now
    auto ok = true;
    OfflineRender render (processor, true);
    render.run (
        [&] (const juce::AudioBuffer<float>& audio, const juce::MidiBuffer&, juce::int64)
        { ok = ok && writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples()); },
        [] (const juce::AudioBuffer<float>&, const juce::MidiBuffer&, juce::int64) {});

    writer.reset();
    return ok;
}

int writeOutput (const juce::File& output, bool written, const juce::String& what)
{
    if (! written)
    {
        printError (output.getFullPathName() + ": cannot be written");
        return 1;
    }

    std::cout << "wrote " << output.getFullPathName() << " (" << what << ")\n";
    return 0;
}

// COMMAND IN OUT: loads a pattern and writes what `write` makes of it.
int convertPattern (const juce::StringArray& args, const juce::String& command, const juce::String& what,
                    bool (*write) (ZelkProcessor&, const juce::File&), const OutputArguments& outputOptions = {})
{
    if (args.size() != 2)
    {
        printError (command + " takes an input and an output file (see zelk --help)");
        return 2;
    }

    ZelkProcessor processor;

    if (! loadOrReport (processor, argumentFile (args[0])))
        return 1;

    processor.setOutputOptions (outputOptions.appliedTo (processor.outputOptions()));

    const auto output = argumentFile (args[1]);
    const auto written = writeReplacing (output, [&] (const juce::File& f) { return write (processor, f); });
    return writeOutput (output, written, what);
}
} // namespace

int exportMidi (const juce::StringArray& arguments)
{
    auto args = arguments;
    OutputArguments output;

    if (const auto error = output.take (args); error.isNotEmpty())
    {
        printError ("export: " + error);
        return 2;
    }

    return convertPattern (args, "export", "MPE MIDI, one loop at 120 BPM", exportMpeMidi, output);
}

int render (const juce::StringArray& args)
{
    return convertPattern (args, "render", "one loop through the listen synth, 48 kHz 24-bit stereo", writeWav);
}

int demo (const juce::StringArray& args)
{
    if (args.size() != 1)
    {
        printError ("demo takes one folder (see zelk --help)");
        return 2;
    }

    const auto folder = argumentFile (args[0]);

    if (folder.existsAsFile() || ! folder.createDirectory().wasOk())
    {
        printError (folder.getFullPathName() + ": cannot be used as a folder");
        return 1;
    }

    ZelkProcessor processor;
    writeDemoPattern (processor);

    const auto state = folder.getChildFile ("demo-state.xml");
    const auto midi = folder.getChildFile ("demo.mid");
    const auto wav = folder.getChildFile ("demo.wav");

    if (auto code = writeOutput (state, saveStateXml (processor, state), "Zelk state"); code != 0)
        return code;

    const auto midiWritten = writeReplacing (midi, [&] (const juce::File& f) { return exportMpeMidi (processor, f); });

    if (auto code = writeOutput (midi, midiWritten, "MPE MIDI, one loop at 120 BPM"); code != 0)
        return code;

    const auto wavWritten = writeReplacing (wav, [&] (const juce::File& f) { return writeWav (processor, f); });
    return writeOutput (wav, wavWritten, "one loop through the listen synth");
}

} // namespace zelk::cli
