#include "core/Platform.h"

#if JUCE_LINUX || JUCE_BSD
 #include <cstdlib>
 #include <dlfcn.h>
#endif

namespace zelk::platform
{
juce::File documentsFolder()
{
    return juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);
}

juce::File temporaryFolder()
{
    return juce::File::getSpecialLocation (juce::File::tempDirectory);
}

juce::File loopDragFolder()
{
    return temporaryFolder().getChildFile ("Zelk-drag");
}

juce::String externalDragName (const juce::File& file)
{
#if JUCE_LINUX || JUCE_BSD
    return juce::URL (file).toString (false);
#else
    return file.getFullPathName();
#endif
}

juce::File defaultVst3Folder()
{
#if JUCE_WINDOWS
    return juce::File ("C:/Program Files/Common Files/VST3");
#elif JUCE_MAC
    return juce::File ("/Library/Audio/Plug-Ins/VST3");
#else
    return juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".vst3");
#endif
}

System thisSystem() noexcept
{
#if JUCE_WINDOWS
    return System::windows;
#elif JUCE_MAC
    return System::macOS;
#else
    return System::gnuLinux;
#endif
}

bool nativeDialogChoosesFilesAndFolders (System system) noexcept { return system == System::macOS; }

juce::String windowSystemProblem()
{
#if JUCE_LINUX || JUCE_BSD
    // JUCE would try display :0 without DISPLAY, and fail only when the first window opens.
    const auto name = juce::SystemStats::getEnvironmentVariable ("DISPLAY", {});

    if (name.isEmpty())
        return "no X display: DISPLAY is not set";

    // Asked through Xlib directly, so that JUCE's own connection is made only when it is needed.
    auto* xlib = dlopen ("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);

    if (xlib == nullptr)
        return "no X display: libX11.so.6 is not installed";

    using OpenDisplay = void* (*) (const char*);
    using CloseDisplay = int (*) (void*);
    const auto open = reinterpret_cast<OpenDisplay> (dlsym (xlib, "XOpenDisplay"));
    const auto close = reinterpret_cast<CloseDisplay> (dlsym (xlib, "XCloseDisplay"));
    auto* display = open != nullptr ? open (name.toRawUTF8()) : nullptr;

    // Xlib stays loaded: JUCE loads it again for its own connection.
    if (display != nullptr && close != nullptr)
        close (display);

    return display != nullptr ? juce::String() : "cannot open X display \"" + name + "\"";
#else
    return {};
#endif
}

void stayOffUnnamedDisplays()
{
#if JUCE_LINUX || JUCE_BSD
    if (juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isEmpty())
        setenv ("DISPLAY", ":none", 1);
#endif
}

} // namespace zelk::platform
