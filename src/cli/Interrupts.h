#pragma once

namespace sonquill {

// Ctrl+C and SIGTERM for the command-line program: the first one only raises a flag that a
// long command polls so it can stop cleanly; a second one ends the program at once.
void InstallInterruptHandlers();

// True once SIGINT or SIGTERM has arrived.
bool InterruptRequested();

// The exit code for the signal that arrived: 130 for SIGINT, 143 for SIGTERM (128 + signal);
// 0 when none did.
int InterruptExitCode();

} // namespace sonquill
