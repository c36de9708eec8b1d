#pragma once

// The undo history of step 2: the last 20 editing steps, taken back one at
// a time, most recent first. There is no redo. Each kind of step is a small
// record type that knows how to put the document back; steps that destroy
// pixels keep snapshot files, which the record owns and deletes when it is
// undone, dropped or cleared.

#include "lxTextStyle.h"

#include <QString>

#include <memory>
#include <vector>

class TlxImage;

// What a record needs of the window to put a step back.
class THistoryHost {
public:
    virtual ~THistoryHost();
    virtual TlxImage& Document() = 0;
    // Swaps two layers the way dragging one list row onto another does,
    // without recording the swap.
    virtual void SwapLayersFromHistory(int LayerA, int LayerB) = 0;
    // Selects the list row that shows Layer.
    virtual void SelectLayer(int Layer) = 0;
    // The layer's pixels changed: its thumbnail is made again.
    virtual void LayerPictureChanged(int Layer) = 0;
    // Deletes Layer with its list row and selects the top row, the way
    // taking back an added layer does.
    virtual void RemoveLayer(int Layer) = 0;
    // A deleted layer was put back at index Layer: its list row returns
    // under Caption, between the rows it sat between, and is selected.
    virtual void LayerRestored(int Layer, const QString& Caption) = 0;
    // Puts row Row of the mask list on Layer (0: no mask) without recording
    // a step.
    virtual void ApplyMaskRow(int Layer, int Row) = 0;
};

// The kinds of step, as the history numbers them.
enum THistoryKind : int {
    hkLayerAdded = 1,
    hkImageLayerDeleted = 2,
    hkLayersSwapped = 3,
    hkLayerMoved = 4,
    hkLayerReshaped = 5, // cropped, resized or turned
    hkMaskChanged = 7,
    hkTextLayerDeleted = 8,
    hkTextStyleChanged = 9,
    hkTextReEdited = 10,
};

// One step. The fields are those every kind draws from; a kind fills the
// ones it needs.
class THistoryRcd {
public:
    virtual ~THistoryRcd();

    int Kind = 0;
    int Layer = 0;        // the layer the step changed (swap: the dragged one)
    QString BmpFile;      // snapshot of the layer as a 32-bit bitmap
    bool OwnsFile = false;
    int Left = 0;         // previous Left (swap: the other layer)
    int Top = 0;          // previous Top
    QString MaskRef;      // "@" no mask, "#n" mask-list row n, else a snapshot file
    QString StyleFile;    // snapshot of the layer style
    TlxTextStyle TextStyle{};
    QString Name;

    // Puts the document back as it was before the step.
    virtual void Undo(THistoryHost& Host) = 0;
    // Deletes the snapshot files the record holds. Dropping the oldest
    // record deletes its bitmap only when it owns it.
    void DeleteFiles(bool BitmapToo) const;
};

class THistoryList {
public:
    static constexpr int MaxSteps = 20;

    THistoryList() = default;
    THistoryList(const THistoryList&) = delete;
    THistoryList& operator=(const THistoryList&) = delete;
    ~THistoryList();

    int Count() const { return int(items_.size()); }
    const THistoryRcd& Item(int Index) const { return *items_[size_t(Index)]; }

    // Pushes a step; at 20 steps the oldest is dropped with its files.
    void Add(std::unique_ptr<THistoryRcd> Record);
    // Takes the most recent step off and undoes it; false when there is none.
    bool UndoLast(THistoryHost& Host);
    // Takes the most recent step off without undoing it (a command that
    // recorded its step and then failed), deleting its files.
    void DropLast();
    // Forgets every step and deletes every snapshot file still held.
    void ClearHistoryFile();

private:
    std::vector<std::unique_ptr<THistoryRcd>> items_;
};
