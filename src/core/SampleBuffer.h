#pragma once
// An owned float32 sample buffer of exact size. Allocation does not initialise
// the samples: readers overwrite every one of them, and a 400 MB signal should
// not be written twice.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace mv {

#ifdef MV_FUZZ_MARK_SAMPLES
// Fuzz builds fill every fresh buffer with this NaN so that their harnesses can tell a
// sample no reader wrote from one it did (AddressSanitizer cannot see uninitialised reads).
inline constexpr std::uint32_t kUnwrittenSampleBits = 0x7fa5a5a5u;
#endif

class SampleBuffer {
public:
    SampleBuffer() = default;
    static SampleBuffer allocate(std::size_t n) {
        SampleBuffer b;
        if (n > 0) {
            b.data_.reset(new float[n]);
            b.size_ = n;
#ifdef MV_FUZZ_MARK_SAMPLES
            const float mark = std::bit_cast<float>(kUnwrittenSampleBits);
            for (std::size_t i = 0; i < n; ++i)
                b.data_[i] = mark;
#endif
        }
        return b;
    }
    static SampleBuffer zeros(std::size_t n) {
        SampleBuffer b = allocate(n);
        for (std::size_t i = 0; i < n; ++i)
            b.data_[i] = 0.0f;
        return b;
    }
    SampleBuffer(SampleBuffer&&) noexcept = default;
    SampleBuffer& operator=(SampleBuffer&&) noexcept = default;
    SampleBuffer(const SampleBuffer&) = delete;
    SampleBuffer& operator=(const SampleBuffer&) = delete;

    SampleBuffer clone() const {
        SampleBuffer b = allocate(size_);
        for (std::size_t i = 0; i < size_; ++i)
            b.data_[i] = data_[i];
        return b;
    }

    float* data() {
        return data_.get();
    }
    const float* data() const {
        return data_.get();
    }
    std::size_t size() const {
        return size_;
    }
    bool empty() const {
        return size_ == 0;
    }
    explicit operator bool() const {
        return size_ != 0;
    }
    float& operator[](std::size_t i) {
        return data_[i];
    }
    float operator[](std::size_t i) const {
        return data_[i];
    }
    std::span<float> span() {
        return {data_.get(), size_};
    }
    std::span<const float> span() const {
        return {data_.get(), size_};
    }
    void reset() {
        data_.reset();
        size_ = 0;
    }

private:
    std::unique_ptr<float[]> data_;
    std::size_t size_ = 0;
};

} // namespace mv
