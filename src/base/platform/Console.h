#pragma once

namespace quorvane {

// Readies the console for UTF-8 text and the progress bar's escape sequences. Nothing to do on Linux;
// on Windows the console's output code page becomes UTF-8 and virtual-terminal mode is switched on.
void prepareConsole();

} // namespace quorvane
