#pragma once

// What every engine operation that rebuilds part of the document wears: the
// redraw flag held false while slots are half built, and no exception ever
// reaching the caller.

namespace lx {

// Holds a document's CanReDraw false while an operation rebuilds a slot, so
// a paint request in between composes nothing half-built; true again
// whichever way the operation leaves.
class RedrawBlock {
public:
    explicit RedrawBlock(bool& Flag) : flag_(Flag) { flag_ = false; }
    ~RedrawBlock() { flag_ = true; }
    RedrawBlock(const RedrawBlock&) = delete;
    RedrawBlock& operator=(const RedrawBlock&) = delete;

private:
    bool& flag_;
};

// Runs an engine operation that must not throw to its caller: any
// exception (an allocation that failed, most likely) becomes false.
template <class Fn> bool guarded(Fn&& Operation) {
    try {
        return Operation();
    } catch (...) {
        return false;
    }
}

// Both: the redraw flag held for the operation's length, failures as false.
template <class Fn> bool guardedRebuild(bool& CanReDraw, Fn&& Operation) {
    const RedrawBlock block(CanReDraw);
    return guarded(static_cast<Fn&&>(Operation));
}

} // namespace lx
