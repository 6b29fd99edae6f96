#include "Interrupts.h"

#include <atomic>
#include <csignal>

namespace sonquill {

namespace {

// Only a lock-free atomic may be touched from a signal handler.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onInterrupt(int signal)
{
    int none = 0;
    g_signal.compare_exchange_strong(none, signal);
#ifdef _WIN32
    // signal() handlers are reset to the default on delivery on Windows already.
    std::signal(signal, SIG_DFL);
#endif
}

} // namespace

void InstallInterruptHandlers()
{
#ifdef _WIN32
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
#else
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // Every further signal is taken too: the run is already ending its encoders and writing
    // its record, and a second Ctrl-C must not leave them half done. A closed terminal (SIGHUP)
    // ends the run the same way.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
#endif
}

bool InterruptRequested()
{
    return g_signal.load() != 0;
}

int InterruptExitCode()
{
    const int signal = g_signal.load();
    return signal == 0 ? 0 : 128 + signal;
}

} // namespace sonquill
