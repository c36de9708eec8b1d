#pragma once

// The kinds of step the history can take back, one small type each.

#include "history/history_list.h"

class TSnapshotStore;

// Two layers swapped by dragging one list row onto another: swapped back.
class TSwapRecord final : public THistoryRcd {
public:
    // DraggedLayer was dropped onto OtherLayer.
    TSwapRecord(int DraggedLayer, int OtherLayer);
    void Undo(THistoryHost& Host) override;
};

// A layer moved (by the mouse or the position edits): its place put back.
class TMoveRecord final : public THistoryRcd {
public:
    TMoveRecord(int Layer, int OldLeft, int OldTop);
    void Undo(THistoryHost& Host) override;
};

// A layer's pixels reshaped (cropped, resized or turned): pixels, place,
// style and mask put back from the snapshots.
class TReshapeRecord final : public THistoryRcd {
public:
    // Takes the snapshots of Layer as it is now. A snapshot that cannot be
    // written leaves its file name empty; the step still happens, and its
    // undo then changes nothing.
    static std::unique_ptr<TReshapeRecord> Capture(TlxImage& Doc, int Layer, TSnapshotStore& Store,
                                                   const QString& Name);
    void Undo(THistoryHost& Host) override;
};
