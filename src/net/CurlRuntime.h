#pragma once

namespace quorvane {

// Initialises libcurl's global state exactly once per process, whichever thread gets there first. Call
// before creating any curl handle; libcurl's own lazy initialisation is not thread-safe.
void ensureCurlInitialised();

} // namespace quorvane
