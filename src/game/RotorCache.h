// RotorCache: the scaled rotor turned by each whole degree (plus the picture's offset), with
// the position of the rotor's pivot inside each turned copy, so that drawing a frame only
// blends a finished picture.
//
// A copy is made on first use (RasterImage::Rotate, nearest pixel, fill 0) and kept while the
// copies together stay within a byte budget; beyond it the copy used longest ago gives way
// (its memory is reused for the new one). The drawn pixels are exactly those of turning the
// scaled rotor for that degree; only when they are made differs. With the built-in pictures a
// copy is made in well under a millisecond, so a spin that passes every degree costs at most
// one rotation per frame while memory stays bounded whatever the pictures and the window
// (360 full copies of a large rotor would take close to a gigabyte).
//
// Thread contract: window thread only (the frame step).
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>

#include "pictures/RasterImage.h"

namespace wirbelix {

class RotorCache {
public:
    static constexpr int kDegrees = 360;
    // Bytes of turned copies kept at most (one copy is always kept, however large). A spin
    // passes the degrees in order, so a copy is used again mostly near the rest angle: a larger
    // budget measurably saves no time during spins and only costs memory.
    static constexpr std::size_t kDefaultBudgetBytes = std::size_t(16) << 20;

    struct Entry {
        RasterImage image;  // the turned rotor, 32-bit with alpha (empty if it could not be made)
        int offsetX = 0;    // where the pivot lies inside image
        int offsetY = 0;
    };

    RotorCache();
    ~RotorCache();

    // Forgets every copy and takes a new rotor: rotor (not copied; must stay unchanged and alive
    // while the cache is used), its pivot and the offset added to every angle (1/131072 turn).
    void Reset(const RasterImage* rotor, int pivotX, int pivotY, int stepStart,
               std::size_t budgetBytes = kDefaultBudgetBytes);
    // Forgets every copy and the rotor, releasing the memory.
    void Clear();

    // The copy for degree (taken modulo 360), made now if it is not kept.
    const Entry& At(int degree);

    // Whether degree's copy is kept now (for tests and benchmarks).
    bool Holds(int degree) const;
    // Pixel bytes of the copies kept now.
    std::size_t bytes() const { return bytes_; }
    std::size_t budget() const { return budget_; }

    // The rotation angle of a degree: degree x 131072 / 360 + stepStart.
    static int AngleOf(int degree, int stepStart) { return degree * 131072 / 360 + stepStart; }

private:
    struct Slot {
        std::unique_ptr<Entry> entry;         // null while not kept
        std::list<int>::iterator use;         // place in use_ while kept
    };
    void Evict(int degree);

    const RasterImage* rotor_ = nullptr;
    int pivotX_ = 0, pivotY_ = 0, stepStart_ = 0;
    std::size_t budget_ = kDefaultBudgetBytes;
    std::size_t bytes_ = 0;
    Slot slots_[kDegrees];
    std::list<int> use_;  // kept degrees, most recently used first
    std::unique_ptr<Entry> spare_;  // an evicted copy whose memory the next rotation reuses
    Entry empty_;
};

}  // namespace wirbelix
