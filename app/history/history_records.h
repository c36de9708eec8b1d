#pragma once

// The kinds of step the history can take back, one small type each.

#include "history/history_list.h"

#include <array>
#include <cstdint>
#include <string>

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
    // undo then changes nothing. A mask from list rows 1 .. MaskRowLimit is
    // remembered by its row, any other by a snapshot.
    static std::unique_ptr<TReshapeRecord> Capture(TlxImage& Doc, int Layer, TSnapshotStore& Store,
                                                   const QString& Name, int MaskRowLimit = 20);
    void Undo(THistoryHost& Host) override;
};

// A layer was added (picture, dropped file, text, signature): deleted again.
class TAddRecord final : public THistoryRcd {
public:
    TAddRecord(int Layer, const QString& Name);
    void Undo(THistoryHost& Host) override;
};

// A layer was deleted: added again from its snapshots (a picture layer) or
// its kept description (a text layer), and put back at its index with every
// other layer in the order it had.
class TDeleteRecord final : public THistoryRcd {
public:
    // Takes the snapshots of Layer before it goes. Name is its list caption.
    static std::unique_ptr<TDeleteRecord> Capture(TlxImage& Doc, int Layer, TSnapshotStore& Store,
                                                  const QString& Name);
    void Undo(THistoryHost& Host) override;

private:
    // The name the layer had (a restored text layer takes it back rather
    // than a new one).
    std::string layerName_;
    // Everything the layer kept for the program (the mask row among it).
    std::array<uint8_t, 124> hostData_{};
    double opacity_ = 1;
    uint8_t blendMode_ = 0;
    bool visible_ = true;
};

// A layer's mask was changed from the mask list: the previous one put back.
class TMaskRecord final : public THistoryRcd {
public:
    // Remembers Layer's mask as it is now: by its list row when it came from
    // one, else by a snapshot.
    static std::unique_ptr<TMaskRecord> Capture(TlxImage& Doc, int Layer, TSnapshotStore& Store);
    void Undo(THistoryHost& Host) override;

private:
    int index_ = 0;
};

// A text layer's style was changed (a text effect): the style it had put
// back from its snapshot.
class TStyleRecord final : public THistoryRcd {
public:
    // Remembers Layer's style as it is now. A snapshot that cannot be
    // written leaves the file name empty; the undo then changes nothing.
    static std::unique_ptr<TStyleRecord> Capture(TlxImage& Doc, int Layer, TSnapshotStore& Store);
    void Undo(THistoryHost& Host) override;
};

// A text layer was edited again: its previous description (and place, as
// a freehand text moves the layer to the corner) put back and drawn again
// with its effects.
class TReEditRecord final : public THistoryRcd {
public:
    // Remembers Layer's description and place as they are now.
    TReEditRecord(const TlxImage& Doc, int Layer);
    void Undo(THistoryHost& Host) override;
};
