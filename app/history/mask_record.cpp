#include "history/history_records.h"

#include "history/layer_snapshot.h"
#include "lxImage.h"

std::unique_ptr<TMaskRecord> TMaskRecord::Capture(TlxImage& Doc, int Layer_, TSnapshotStore& Store) {
    auto record = std::make_unique<TMaskRecord>();
    record->Kind = hkMaskChanged;
    record->Layer = Layer_;
    record->MaskRef = QStringLiteral("@");
    if (Layer_ < 1 || Layer_ >= Doc.LayersCount) return record;
    const TlxLayer& layer = Doc.Layers[size_t(Layer_)];
    record->index_ = history::MaskIndex(layer);
    try {
        // Every row of the list can be applied again; only a mask from a file
        // needs a picture of its own.
        record->MaskRef = history::MaskReference(layer, Store, 31);
    } catch (const std::bad_alloc&) {
        record->MaskRef.clear(); // nothing to put back
    }
    return record;
}

void TMaskRecord::Undo(THistoryHost& Host) {
    if (Layer >= 1 && Layer < Host.Document().LayersCount && !MaskRef.isEmpty()) {
        history::RestoreMask(Host, Layer, MaskRef, true, index_);
        Host.SelectLayer(Layer);
    }
    DeleteFiles(true);
}
