// Writing frames on a second thread: while frame n is encoded and written, the render
// goes on with the spectrum and the pipeline of frame n + 1 (and n + 2 ...).
//
//   FrameWriterThread writer(4, [&](const FrameToWrite& f, WriteFailure* fail) { ...; return ok; });
//   FrameToWrite& f = writer.acquire();     // a free slot; waits while every slot is queued
//   f.frame = n; f.elapsedMs = ...; f.spectrum = ...; /* draw into f.surface */
//   writer.submit();                        // frames are written in the order submitted
//                                           // (a slot not submitted is the next acquire's again)
//   if (writer.failed()) ...                // a write failed: stop rendering, report writer.failure()
//   bool ok = writer.finish();              // waits until every submitted frame is written
//   writer.stop();                          // drops what is queued and ends the thread (also on destruction)
//
// A stop from outside (a signal): writer.setStopCheck(stopRequested, SIGALRM) makes acquire and
// finish give up within 50 ms once the check is true (acquire then hands out a spare slot that
// is never written, and finish returns false), and makes stop interrupt a write blocked in
// the kernel with that signal, again and again until the thread ends. The signal's handler
// must do nothing and be installed without SA_RESTART.
//
// The write function runs on the writer thread only, one frame at a time; after its first
// failure no further frame is written. Slots are allocated once, up front.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct FrameToWrite {
    int64_t frame = 0;
    int32_t elapsedMs = 0;
    std::vector<uint32_t> surface;
    std::vector<float> spectrum;
};

struct WriteFailure {
    std::string what;  // "output", "video"
    std::string file;
    std::string why;
};

class FrameWriterThread {
public:
    using WriteFunction = std::function<bool(const FrameToWrite&, WriteFailure*)>;
    FrameWriterThread(int slots, size_t surfacePixels, size_t spectrumBands, WriteFunction write);
    ~FrameWriterThread();
    FrameWriterThread(const FrameWriterThread&) = delete;
    FrameWriterThread& operator=(const FrameWriterThread&) = delete;

    FrameToWrite& acquire();
    void submit();
    bool failed() const;
    WriteFailure failure() const;
    bool finish();
    void stop();
    double busySeconds() const;  // time spent writing, for --timings
    void setStopCheck(std::function<bool()> stopRequested, int interruptSignal);

private:
    void run();
    WriteFunction write_;
    bool stopChecked();
    std::vector<FrameToWrite> slots_;
    FrameToWrite spare_;       // what acquire hands out when it gives up with every slot queued
    std::function<bool()> stopRequested_;
    int interruptSignal_ = 0;
    bool ended_ = false;       // the thread's loop has returned
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    size_t head_ = 0;     // next slot to write
    size_t queued_ = 0;   // submitted, not yet written
    bool stopping_ = false;
    bool failed_ = false;
    WriteFailure failure_;
    double busy_ = 0;
    std::thread thread_;
};
