#pragma once
// The 200 signal slots, addressed 1..200. Every subsystem reads and writes
// signals through the store; a slot's identity is its number.
#include "core/SignalRecord.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>

namespace mv {

// Default drawing colour of slot n (1..200).
Colour defaultSigColor(int slot);

class SignalStore {
public:
    SignalStore();
    SignalStore(const SignalStore&) = delete;
    SignalStore& operator=(const SignalStore&) = delete;

    static bool validSlot(int n) { return n >= 1 && n <= kSlotCount; }

    // Throws RangeError for a number outside 1..200.
    SignalRecord& operator[](int slot);
    const SignalRecord& operator[](int slot) const;

    // Empties slot n (1..200), or all slots for n = 0. An empty slot is left untouched;
    // colour, decimal places, ProcFn and Ovr survive. Takes the write side of the guard.
    void ClearSlot(int n);
    // Puts a signal that was built off to the side into slot n in one step: everything
    // but the slot's settings (colour, decimal places, ProcFn, Ovr) comes from `rec`,
    // whatever the slot held before. Takes the write side of the guard; the old samples
    // are released after it is let go.
    void installSignal(int n, SignalRecord&& rec);

    // The replay clock reads SampleCount, f_sampl and Data of every slot from its own
    // thread. While it holds a ReadGuard no slot's samples change: installSignal and
    // ClearSlot wait for it, so it never sees a half-installed slot or a freed buffer.
    // Anything else on the user-interface thread that replaces a slot's samples or
    // sampling rate in place holds a WriteGuard while it does. Hold either briefly,
    // and never a second guard of the same store on the same thread.
    using ReadGuard = std::shared_lock<std::shared_mutex>;
    using WriteGuard = std::unique_lock<std::shared_mutex>;
    ReadGuard readGuard() const { return ReadGuard(*guard_); }
    WriteGuard writeGuard() { return WriteGuard(*guard_); }
    // Lowest empty slot, 0 when all are occupied.
    int FirstFreeSlot() const;
    // One past the highest occupied slot (1 for an empty store, 201 when slot 200 is used).
    int SlotAfterLast() const;

    // Puts the per-slot settings back to their first-start values.
    void resetSlotSettings();

private:
    std::unique_ptr<std::array<SignalRecord, kSlotCount>> slots_;
    std::unique_ptr<std::shared_mutex> guard_;
};

inline constexpr const char* kNoRoomForResults = "Nedostatek místa pro zpracované signály";

} // namespace mv
