#include "Interrupts.h"

namespace CommandLine {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void noteInterrupt(int) {
    g_interrupted = 1;
}

} // namespace

InterruptWatch::InterruptWatch() {
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = &noteInterrupt;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &m_previous[i]);
}

InterruptWatch::~InterruptWatch() {
    for (size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &m_previous[i], nullptr);
}

bool InterruptWatch::interrupted() const {
    return g_interrupted != 0;
}

} // namespace CommandLine
