#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#if JUCE_LINUX
#include <X11/Xlib.h>

namespace
{
// Inside a plug-in JUCE leaves X error handling to the host, and Xlib's default handler ends the
// process. A bare X server (Xvfb without a window manager) lacks atoms such as WM_PROTOCOLS that
// JUCE sets on every new window, so the tests that open windows behave as a host does: they log
// nothing and carry on.
int ignoreXError (Display*, XErrorEvent*)
{
    return 0;
}
} // namespace
#endif

// The parameter tree and the editor need JUCE's message manager, as they do inside a host.
int main (int argc, char** argv)
{
#if JUCE_LINUX
    XSetErrorHandler (ignoreXError);
#endif
    juce::ScopedJuceInitialiser_GUI juceSupport;
    testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
