#pragma once
// The 200 signal slots, addressed 1..200. Every subsystem reads and writes
// signals through the store; a slot's identity is its number.
#include "core/SignalRecord.h"

#include <array>
#include <cstdint>
#include <memory>

namespace mv {

// Default drawing colour of slot n (1..200).
Colour defaultSigColor(int slot);

class SignalStore {
public:
    SignalStore();
    SignalStore(const SignalStore&) = delete;
    SignalStore& operator=(const SignalStore&) = delete;

    static bool validSlot(int n) { return n >= 1 && n <= kSlotCount; }

    // Throws std::out_of_range for a number outside 1..200.
    SignalRecord& operator[](int slot);
    const SignalRecord& operator[](int slot) const;

    // Empties slot n (1..200), or all slots for n = 0. An empty slot is left untouched;
    // colour, decimal places, ProcFn and Ovr survive.
    void ClearSlot(int n);
    // Lowest empty slot, 0 when all are occupied.
    int FirstFreeSlot() const;
    // One past the highest occupied slot (1 for an empty store, 201 when slot 200 is used).
    int SlotAfterLast() const;

    // Puts the per-slot settings back to their first-start values.
    void resetSlotSettings();

private:
    std::unique_ptr<std::array<SignalRecord, kSlotCount>> slots_;
};

inline constexpr const char* kNoRoomForResults = "Nedostatek místa pro zpracované signály";

} // namespace mv
