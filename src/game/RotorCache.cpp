#include "game/RotorCache.h"

namespace wirbelix {

RotorCache::RotorCache() = default;
RotorCache::~RotorCache() = default;

void RotorCache::Reset(const RasterImage* rotor, int pivotX, int pivotY, int stepStart,
                       std::size_t budgetBytes) {
    while (!use_.empty()) Evict(use_.back());
    rotor_ = rotor;
    pivotX_ = pivotX;
    pivotY_ = pivotY;
    stepStart_ = stepStart;
    budget_ = budgetBytes;
}

void RotorCache::Clear() {
    Reset(nullptr, 0, 0, 0, budget_);
    spare_.reset();
}

bool RotorCache::Holds(int degree) const {
    degree = ((degree % kDegrees) + kDegrees) % kDegrees;
    return slots_[degree].entry != nullptr;
}

void RotorCache::Evict(int degree) {
    Slot& slot = slots_[degree];
    if (!slot.entry) return;
    bytes_ -= slot.entry->image.imageSize();
    use_.erase(slot.use);
    // Keep the largest evicted copy: Create reuses memory of about the needed size, which
    // saves claiming (and the kernel clearing) fresh pages for every rotation of a spin.
    if (!spare_ || spare_->image.imageSize() < slot.entry->image.imageSize()) spare_ = std::move(slot.entry);
    slot.entry.reset();
}

const RotorCache::Entry& RotorCache::At(int degree) {
    degree = ((degree % kDegrees) + kDegrees) % kDegrees;
    Slot& slot = slots_[degree];
    if (slot.entry) {
        use_.splice(use_.begin(), use_, slot.use);
        return *slot.entry;
    }
    if (rotor_ == nullptr) return empty_;

    std::unique_ptr<Entry> entry = spare_ ? std::move(spare_) : std::make_unique<Entry>();
    entry->offsetX = pivotX_;
    entry->offsetY = pivotY_;
    if (!entry->image.Rotate(*rotor_, AngleOf(degree, stepStart_), ROTATE_NEAREST, entry->offsetX,
                             entry->offsetY, 0)) {
        entry->image.Clear();
    }
    const std::size_t size = entry->image.imageSize();
    // Make room: the copies used longest ago go first; the new one is kept in any case.
    while (!use_.empty() && bytes_ + size > budget_) Evict(use_.back());
    bytes_ += size;
    use_.push_front(degree);
    slot.use = use_.begin();
    slot.entry = std::move(entry);
    return *slot.entry;
}

}  // namespace wirbelix
