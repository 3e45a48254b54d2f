#pragma once

#ifdef _WIN32

namespace quorvane {

// Named pipes share one namespace for every user of the machine, so a name can be taken first by
// someone else. True when the server end of the connected pipe `pipeHandle` (a HANDLE) belongs to a
// process of the user running this one.
bool pipeServerRunsAsCurrentUser(void* pipeHandle);

} // namespace quorvane

#endif
