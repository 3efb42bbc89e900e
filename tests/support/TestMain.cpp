// Test entry point: the main thread is JUCE's message thread for the whole
// run, so timers, change broadcasters and components work in every test.
#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <dlfcn.h>

namespace
{
// A bare X server (Xvfb) answers some of JUCE's window-manager requests with
// errors such as BadAtom; Xlib's default handler then ends the process. JUCE
// installs a tolerant handler only in its application class, so the test
// runner does the same before any window can appear.
void ignoreXErrors()
{
    void* lib = dlopen ("libX11.so.6", RTLD_NOW);
    if (lib == nullptr)
        return;
    using Handler = int (*) (void*, void*);
    using SetHandler = Handler (*) (Handler);
    if (auto set = reinterpret_cast<SetHandler> (dlsym (lib, "XSetErrorHandler")))
        set ([] (void*, void*) { return 0; });
}
} // namespace

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    ignoreXErrors();
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
