#include "tools/ziv-render/frame_writer_thread.h"

#include <chrono>

FrameWriterThread::FrameWriterThread(int slots, size_t surfacePixels, size_t spectrumBands, WriteFunction write)
    : write_(std::move(write)), slots_(static_cast<size_t>(slots < 1 ? 1 : slots)) {
    for (FrameToWrite& s : slots_) {
        s.surface.resize(surfacePixels);
        s.spectrum.resize(spectrumBands);
    }
    thread_ = std::thread([this] { run(); });
}

FrameWriterThread::~FrameWriterThread() { stop(); }

FrameToWrite& FrameWriterThread::acquire() {
    std::unique_lock lock(mutex_);
    // The slot after the queued ones must not be the one being written.
    changed_.wait(lock, [this] { return queued_ < slots_.size() || stopping_ || failed_; });
    return slots_[(head_ + queued_) % slots_.size()];
}

void FrameWriterThread::submit() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || failed_ || queued_ == slots_.size()) return;
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
    changed_.wait(lock, [this] { return queued_ == 0 || failed_ || stopping_; });
    return !failed_ && queued_ == 0;
}

void FrameWriterThread::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

double FrameWriterThread::busySeconds() const {
    std::lock_guard lock(mutex_);
    return busy_;
}

void FrameWriterThread::run() {
    std::unique_lock lock(mutex_);
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
