#include "tools/ziv-render/stop_request.h"

#include <signal.h>
#include <sys/time.h>

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t stop = 0;
volatile std::sig_atomic_t timerInstalled = 0;

void setInterruptTimer(bool on) {
    itimerval t{};
    if (on) t.it_interval.tv_usec = t.it_value.tv_usec = 100000;
    setitimer(ITIMER_REAL, &t, nullptr);   // a plain system call: safe inside a handler
}

void onStopSignal(int) { requestStop(); }
void onTimer(int) {}   // only there to interrupt a blocked call

void handle(int signal, void (*handler)(int)) {
    struct sigaction action{};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;   // no SA_RESTART: blocked calls return EINTR
    sigaction(signal, &action, nullptr);
}

}  // namespace

bool stopRequested() { return stop != 0; }

void requestStop() {
    stop = 1;
    if (timerInstalled) setInterruptTimer(true);
}

void clearStopRequest() {
    stop = 0;
    if (timerInstalled) setInterruptTimer(false);
}

void installStopSignals() {
    handle(SIGALRM, onTimer);
    timerInstalled = 1;
    handle(SIGINT, onStopSignal);
    handle(SIGTERM, onStopSignal);
    handle(SIGHUP, onStopSignal);
    // Writes to a finished reader must fail with an error, not end the process.
    std::signal(SIGPIPE, SIG_IGN);
}

int stopInterruptSignal() { return timerInstalled ? SIGALRM : 0; }

void blockStopSignalsInThisThread() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGALRM}) sigaddset(&set, s);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}
