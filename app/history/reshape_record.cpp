#include "history/history_records.h"

#include "history/layer_snapshot.h"
#include "history/snapshot_store.h"
#include "lxImage.h"

#include <QFile>

std::unique_ptr<TReshapeRecord> TReshapeRecord::Capture(TlxImage& Doc, int Layer_,
                                                        TSnapshotStore& Store,
                                                        const QString& Name_, int MaskRowLimit) {
    auto record = std::make_unique<TReshapeRecord>();
    record->Kind = hkLayerReshaped;
    record->Layer = Layer_;
    record->OwnsFile = true;
    record->Name = Name_;
    record->MaskRef = QStringLiteral("@");
    if (Layer_ < 0 || Layer_ >= Doc.LayersCount) return record;
    const TlxLayer& layer = Doc.Layers[size_t(Layer_)];
    record->Left = layer.Left;
    record->Top = layer.Top;
    try {
        record->BmpFile = history::PictureSnapshot(Doc, Layer_, Store);
        record->StyleFile = history::StyleSnapshot(Doc, Layer_, Store);
        record->MaskRef = history::MaskReference(layer, Store, MaskRowLimit);
    } catch (const std::bad_alloc&) {
        // Snapshots that could not be taken are simply missing.
    }
    return record;
}

void TReshapeRecord::Undo(THistoryHost& Host) {
    TlxImage& doc = Host.Document();
    // Without its picture the step cannot be put back.
    if (BmpFile.isEmpty() || !QFile::exists(BmpFile)) return;
    if (Layer >= 0 && Layer < doc.LayersCount) {
        const QImage picture = history::ReadBitmap(BmpFile);
        if (!picture.isNull() && doc.SetLayerBitmap(Layer, picture)) {
            doc.Layers[size_t(Layer)].Left = Left;
            doc.Layers[size_t(Layer)].Top = Top;
            if (QFile::exists(StyleFile)) doc.LoadLayerStyle(Layer, StyleFile);
            // The mask the layer had comes back at the restored size.
            history::RestoreMask(Host, Layer, MaskRef, false,
                                 history::MaskIndex(doc.Layers[size_t(Layer)]));
            Host.LayerPictureChanged(Layer);
        }
        Host.SelectLayer(Layer);
    }
    DeleteFiles(true);
}
