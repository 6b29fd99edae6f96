#pragma once

namespace sonquill {

// Ctrl+C, SIGTERM and SIGHUP for the command-line program: each only raises a flag that a long
// command polls so it can stop cleanly, ending its encoders; the first signal gives the exit code.
void InstallInterruptHandlers();

// True once SIGINT, SIGTERM or SIGHUP has arrived.
bool InterruptRequested();

// The exit code for the signal that arrived: 130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP
// (128 + signal);
// 0 when none did.
int InterruptExitCode();

} // namespace sonquill
