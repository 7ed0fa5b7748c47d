#pragma once

// Delivers every message already posted to the message thread, as a running host's event loop
// would: asynchronous clicks, the modal dialog's callback, async updates. Returns once the queue
// is empty.
void dispatchPendingMessages();
