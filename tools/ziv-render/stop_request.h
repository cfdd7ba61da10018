// A stop asked for by Ctrl-C, SIGTERM or SIGHUP, and how blocked calls notice it.
//
//   installStopSignals();      // once, in main: handlers without SA_RESTART
//   if (stopRequested()) ...   // between frames, and after every EINTR
//   requestStop();             // what the handlers call; tests call it from a thread
//   clearStopRequest();        // a fresh render
//
// Without SA_RESTART a blocked open, read or write of a FIFO returns EINTR
// when a signal arrives. A signal that lands just before such a call starts
// would still leave it blocked, so once a stop is requested a timer
// interrupts the process every 100 ms until the stop is cleared: every
// blocked call ends within a second and finds the request.
#pragma once

bool stopRequested();
void requestStop();
void clearStopRequest();
void installStopSignals();
// The signal that interrupts a blocked call in another thread (pthread_kill): its handler does
// nothing and has no SA_RESTART. 0 until installStopSignals has run (then nothing interrupts).
int stopInterruptSignal();
// Keeps the stop signals and the timer away from the calling thread (helper threads),
// so they always reach the thread that renders.
void blockStopSignalsInThisThread();
