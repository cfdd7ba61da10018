#include "tools/ziv-render/frame_writer_thread.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>

FrameWriterThread::FrameWriterThread(int slots, size_t surfacePixels, size_t spectrumBands, WriteFunction write)
    : write_(std::move(write)), slots_(static_cast<size_t>(slots < 1 ? 1 : slots)) {
    for (FrameToWrite& s : slots_) {
        s.surface.resize(surfacePixels);
        s.spectrum.resize(spectrumBands);
    }
    spare_.surface.resize(surfacePixels);
    spare_.spectrum.resize(spectrumBands);
    thread_ = std::thread([this] { run(); });
}

FrameWriterThread::~FrameWriterThread() { stop(); }

void FrameWriterThread::setStopCheck(std::function<bool()> stopRequested, int interruptSignal) {
    std::lock_guard lock(mutex_);
    stopRequested_ = std::move(stopRequested);
    interruptSignal_ = interruptSignal;
}

bool FrameWriterThread::stopChecked() { return stopRequested_ && stopRequested_(); }

FrameToWrite& FrameWriterThread::acquire() {
    std::unique_lock lock(mutex_);
    // The slot after the queued ones must not be the one being written.
    const auto ready = [this] { return queued_ < slots_.size() || stopping_ || failed_ || stopChecked(); };
    // A stop is a flag set by a signal handler, which cannot notify: look at it every 50 ms.
    while (!ready()) changed_.wait_for(lock, std::chrono::milliseconds(50));
    if (queued_ == slots_.size() && !stopping_ && !failed_) return spare_;
    return slots_[(head_ + queued_) % slots_.size()];
}

void FrameWriterThread::submit() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || failed_ || queued_ == slots_.size() || stopChecked()) return;
        ++queued_;
    }
    changed_.notify_all();
}

bool FrameWriterThread::failed() const {
    std::lock_guard lock(mutex_);
    return failed_;
}

WriteFailure FrameWriterThread::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

bool FrameWriterThread::finish() {
    std::unique_lock lock(mutex_);
    const auto done = [this] { return queued_ == 0 || failed_ || stopping_ || stopChecked(); };
    while (!done()) changed_.wait_for(lock, std::chrono::milliseconds(50));
    return !failed_ && queued_ == 0;
}

void FrameWriterThread::stop() {
    std::unique_lock lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
    // A write blocked in the kernel (a FIFO nobody reads) only returns when a signal interrupts it;
    // one sent just before the call began would be lost, so it is sent until the thread has ended.
    while (interruptSignal_ != 0 && !ended_ && thread_.joinable()) {
        pthread_kill(thread_.native_handle(), interruptSignal_);
        changed_.wait_for(lock, std::chrono::milliseconds(50));
    }
    lock.unlock();
    if (thread_.joinable()) thread_.join();
}

double FrameWriterThread::busySeconds() const {
    std::lock_guard lock(mutex_);
    return busy_;
}

void FrameWriterThread::run() {
    std::unique_lock lock(mutex_);
    struct MarkEnded {
        FrameWriterThread* self;
        ~MarkEnded() {
            self->ended_ = true;   // the lock is held whenever the loop returns
            self->changed_.notify_all();
        }
    } markEnded{this};
    for (;;) {
        changed_.wait(lock, [this] { return queued_ > 0 || stopping_; });
        if (stopping_) return;
        // The slot stays counted as queued while it is written, so acquire cannot hand it out.
        const FrameToWrite& frame = slots_[head_];
        lock.unlock();
        const auto begun = std::chrono::steady_clock::now();
        WriteFailure why;
        const bool ok = write_(frame, &why);
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
        lock.lock();
        busy_ += took;
        if (!ok) {
            failed_ = true;
            failure_ = why;
            queued_ = 0;
            changed_.notify_all();
            return;
        }
        head_ = (head_ + 1) % slots_.size();
        --queued_;
        changed_.notify_all();
    }
}
