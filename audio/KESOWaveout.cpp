#include "audio/KESOWaveout.h"

#include "audio/KESOAudioSource.h"
#include "engine/NEngineGuard.h"
#include "foundation/KESOAudioDevice.h"
#include "foundation/KESOServices.h"
#include "foundation/KESOString.h"
#include "foundation/MemoryTracker.h"

#include <chrono>
#include <cstddef>
#include <new>
#include <system_error>

namespace {

const char16_t* const Caption = u"Waveout";

KESOWaveout::Timing realTiming;

} // namespace

void KESOWaveout::Timing::idle()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void KESOWaveout::Timing::waitForThread()
{
    std::this_thread::yield();
}

KESOWaveout& KESOWaveout::instance()
{
    static KESOWaveout waveout;
    return waveout;
}

KESOWaveout::KESOWaveout(Timing* timing) : timing_(timing != nullptr ? timing : &realTiming)
{
}

KESOWaveout::~KESOWaveout()
{
    close(); // a running thread would outlive the ring otherwise
}

bool KESOWaveout::play(KESOAudioSource* source, int frames)
{
    if (isOpen_)
        return false;
    source_ = source;
    segmentFrames_ = frames & ~31;
    threadState_.store(Running, std::memory_order_relaxed);
    writeSegment_ = 0;

    KESOAudioDevice* device = KESOServices::instance().audioDevice;
    if (device == nullptr || !device->open()) {
        if (!openFailureShown_)
            KESOServices::instance().showMessage(u"Error opening waveout device", Caption);
        openFailureShown_ = true;
        return false;
    }
    openFailureShown_ = false;
    device_ = device;

    // A segment shorter than one block would leave nothing to play and no segment to count by.
    if (segmentFrames_ < 32 || segmentFrames_ > MaxSegmentFrames) {
        fail(u"Error preparing header");
        return false;
    }
    KESO_OWNER("KESOWaveout::play");
    buffer_ = new (std::nothrow) std::int16_t[static_cast<std::size_t>(segmentFrames_) * SegmentCount * Channels]();
    if (buffer_ == nullptr) {
        fail(u"Error preparing header");
        return false;
    }
    for (int segment = 0; segment < 5; ++segment)
        fillSegment();
    if (!device_->play(buffer_, segmentFrames_ * SegmentCount)) {
        fail(u"Error writing initial data to waveout");
        return false;
    }
    try {
        thread_ = std::thread(&KESOWaveout::run, this);
    } catch (const std::system_error&) {
        // Without the thread the device would loop the same 0.18 s for ever.
        device_->reset();
        release("KESOWaveout::play");
        return false;
    }
    isOpen_ = true;
    return true;
}

void KESOWaveout::close()
{
    if (!isOpen_)
        return;
    threadState_.store(StopRequested, std::memory_order_release);
    device_->reset();
    // The thread is at most one render or one sleep from seeing the request.
    while (threadState_.load(std::memory_order_acquire) != Finished)
        timing_->waitForThread();
    thread_.join();
    isOpen_ = false;
    release("KESOWaveout::close");
}

void KESOWaveout::run()
{
    const auto frames = static_cast<std::uint32_t>(segmentFrames_);
    while (threadState_.load(std::memory_order_acquire) != StopRequested) {
        const auto played = static_cast<std::int32_t>((device_->position() / frames) & 7u);
        // Fill until the write position has come round to two segments behind the one playing.
        if (writeSegment_ > played || writeSegment_ < played - 2)
            fillSegment();
        else
            timing_->idle();
    }
    threadState_.store(Finished, std::memory_order_release);
}

void KESOWaveout::fillSegment()
{
    if (source_ != nullptr) {
        std::int16_t* out = buffer_ + static_cast<std::size_t>(writeSegment_) * segmentFrames_ * Channels;
        NEngineGuard guard;
        source_->render(out, segmentFrames_, Bits, Rate, Channels);
    }
    writeSegment_ = (writeSegment_ + 1) % SegmentCount;
}

void KESOWaveout::fail(const char16_t* text)
{
    release("KESOWaveout::play");
    KESOServices::instance().showMessage(text, Caption);
}

void KESOWaveout::release(const char* owner)
{
    device_->close();
    device_ = nullptr;
    if (buffer_ != nullptr) {
        KESO_OWNER(owner);
        delete[] buffer_;
        buffer_ = nullptr;
    }
}
