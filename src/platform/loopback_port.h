#pragma once

namespace sw {

// A TCP port on 127.0.0.1 that nothing listens on at the moment of the call (the system
// picks it); 0 when no socket can be had. For local servers of the demo, the tests and the
// benchmarks, and for tests that need a port where connections are refused.
int findFreeLoopbackPort();

// True when something accepts connections on 127.0.0.1:`port`.
bool loopbackAccepts(int port);

} // namespace sw
