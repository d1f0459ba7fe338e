#pragma once

namespace vantrel {

// Makes the calling thread yield the processor to the program's other threads when they
// compete for it: a transfer that keeps a core busy never slows the event loop.
void LowerCurrentThreadPriority();

} // namespace vantrel
