// The store's guard from two threads, as the replay clock will use it: a reader that
// holds the read side never sees a slot between two states. Run under ThreadSanitizer.
#include "core/SignalStore.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace mv {
namespace {

// A signal whose every sample, its length and its rate all say `k`.
SignalRecord signalOf(int k) {
    SignalRecord r;
    r.f_sampl = k;
    r.setData(SampleBuffer::allocate(static_cast<std::size_t>(100 + k % 50)));
    for (float& x : r.Data.span())
        x = static_cast<float>(k);
    return r;
}

TEST(SignalStoreThreads, ReaderNeverSeesAHalfInstalledSlot) {
    SignalStore store;
    std::atomic<bool> done{false};
    std::atomic<long> looks{0}, torn{0};
    std::thread replay([&] {
        while (!done.load(std::memory_order_acquire)) {
            const SignalStore::ReadGuard g = store.readGuard();
            for (int slot : {1, 2}) {
                const SignalRecord& r = store[slot];
                if (!r.occupied())
                    continue;
                const int k = static_cast<int>(r.f_sampl);
                bool whole = r.Data.size() == static_cast<std::size_t>(r.SampleCount) &&
                             r.SampleCount == 100 + k % 50;
                for (std::size_t i = 0; whole && i < r.Data.size(); ++i)
                    whole = r.Data[i] == static_cast<float>(k);
                if (!whole)
                    torn.fetch_add(1, std::memory_order_relaxed);
            }
            looks.fetch_add(1, std::memory_order_relaxed);
        }
    });
    for (int k = 1; k <= 3000; ++k) {
        store.installSignal(1 + k % 2, signalOf(k));
        if (k % 7 == 0)
            store.ClearSlot(1 + k % 2);
        if (k % 500 == 0)
            // Let the reader in now and then on a machine with one free core.
            while (looks.load(std::memory_order_relaxed) < k / 500)
                std::this_thread::yield();
    }
    done.store(true, std::memory_order_release);
    replay.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(looks.load(), 0);
}

} // namespace
} // namespace mv
