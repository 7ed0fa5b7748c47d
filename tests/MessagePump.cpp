#include "MessagePump.h"

#include <juce_events/juce_events.h>

// JUCE's own plug-in wrappers pump the queue through this function; a plug-in build has no
// public call for it (runDispatchLoopUntil needs modal loops, which plug-ins do not allow).
#if JUCE_MAJOR_VERSION >= 8
namespace juce::detail
{
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}
using juce::detail::dispatchNextMessageOnSystemQueue;
#else
namespace juce
{
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}
using juce::dispatchNextMessageOnSystemQueue;
#endif

void dispatchPendingMessages()
{
    while (dispatchNextMessageOnSystemQueue (true))
    {
    }
}
