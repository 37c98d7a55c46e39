#include "core/SignalStore.h"

#include "core/Errors.h"

#include <stdexcept>
#include <string>

namespace mv {

namespace {
// Entries 1..14 of the 16-entry colour table (Black .. White) of the pick list.
constexpr Colour kFirstColours[14] = {0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                      0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00,
                                      0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00};
} // namespace

Colour defaultSigColor(int n) {
    if (n >= 1 && n <= 14)
        return kFirstColours[n - 1];
    // 8-bit products: the components wrap, they are not clamped.
    const Colour r = static_cast<std::uint8_t>((n + 3) / 3 * 70);
    const Colour g = static_cast<std::uint8_t>((n + 4) / 3 * 70);
    const Colour b = static_cast<std::uint8_t>((n + 5) / 3 * 70);
    return r | (g << 8) | (b << 16);
}

SignalStore::SignalStore()
    : slots_(std::make_unique<std::array<SignalRecord, kSlotCount>>()),
      guard_(std::make_unique<std::shared_mutex>()) {
    resetSlotSettings();
}

void SignalStore::resetSlotSettings() {
    for (int n = 1; n <= kSlotCount; ++n) {
        (*this)[n].SigColor = defaultSigColor(n);
        (*this)[n].DecPlaces = kDefaultDecPlaces;
    }
}

SignalRecord& SignalStore::operator[](int slot) {
    if (!validSlot(slot))
        throw RangeError("signal slot " + std::to_string(slot) + " is not in 1..200");
    return (*slots_)[static_cast<std::size_t>(slot - 1)];
}

const SignalRecord& SignalStore::operator[](int slot) const {
    return const_cast<SignalStore&>(*this)[slot];
}

void SignalStore::ClearSlot(int n) {
    if (n == 0) {
        for (int k = 1; k <= kSlotCount; ++k)
            ClearSlot(k);
        return;
    }
    SignalRecord& r = (*this)[n];
    if (!r.occupied())
        return;
    // The buffers are freed once the guard is let go, so a waiting reader is not kept
    // waiting on the allocator.
    SampleBuffer data, procData;
    {
        WriteGuard g = writeGuard();
        data = std::move(r.Data);
        // The store owns ProcData too; an empty slot keeps no buffer alive.
        procData = std::move(r.ProcData);
        r.clearSignal();
    }
}

void SignalStore::installSignal(int n, SignalRecord&& rec) {
    SignalRecord& r = (*this)[n];
    rec.SigColor = r.SigColor;
    rec.DecPlaces = r.DecPlaces;
    rec.ProcFn = r.ProcFn;
    rec.Ovr = r.Ovr;
    {
        WriteGuard g = writeGuard();
        std::swap(r, rec);
    }
    // `rec` now holds the old signal; it is released here, outside the guard.
}

int SignalStore::FirstFreeSlot() const {
    for (int k = 1; k <= kSlotCount; ++k)
        if (!(*this)[k].occupied())
            return k;
    return 0;
}

int SignalStore::SlotAfterLast() const {
    int k = kSlotCount;
    while (k >= 1 && !(*this)[k].occupied())
        --k;
    return k + 1;
}

} // namespace mv
