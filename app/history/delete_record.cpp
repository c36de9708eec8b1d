#include "history/history_records.h"

#include "codepage.h"
#include "history/layer_snapshot.h"
#include "history/snapshot_store.h"
#include "lxImage.h"

#include <QFile>

std::unique_ptr<TDeleteRecord> TDeleteRecord::Capture(TlxImage& Doc, int Layer_,
                                                      TSnapshotStore& Store, const QString& Name_) {
    auto record = std::make_unique<TDeleteRecord>();
    record->Kind = hkImageLayerDeleted;
    record->Layer = Layer_;
    record->Name = Name_;
    record->MaskRef = QStringLiteral("@");
    if (Layer_ < 1 || Layer_ >= Doc.LayersCount) return record;
    const TlxLayer& layer = Doc.Layers[size_t(Layer_)];
    record->Left = layer.Left;
    record->Top = layer.Top;
    record->hostData_ = layer.HostData;
    record->opacity_ = layer.Opacity;
    record->blendMode_ = layer.BlendMode;
    record->visible_ = layer.Visible;
    record->layerName_ = layer.Name;
    if (layer.IsText) {
        // A text layer is drawn again from its description.
        record->Kind = hkTextLayerDeleted;
        record->TextStyle = layer.TextStyle;
    }
    try {
        if (!layer.IsText) {
            record->BmpFile = history::PictureSnapshot(Doc, Layer_, Store);
            record->OwnsFile = true;
        }
        record->StyleFile = history::StyleSnapshot(Doc, Layer_, Store);
        record->MaskRef = history::MaskReference(layer, Store, 20);
    } catch (const std::bad_alloc&) {
        // Snapshots that could not be taken are simply missing.
    }
    return record;
}

void TDeleteRecord::Undo(THistoryHost& Host) {
    TlxImage& doc = Host.Document();
    bool added = false;
    if (Kind == hkTextLayerDeleted) {
        added = doc.AddTextLayer(0, 0, TextStyle);
    } else if (!BmpFile.isEmpty() && QFile::exists(BmpFile)) {
        const QImage picture = history::ReadBitmap(BmpFile);
        added = !picture.isNull() && doc.AddBitmapLayer(picture);
    }
    if (!added) {
        DeleteFiles(true);
        return;
    }
    const int top = doc.LayersCount - 1;
    TlxLayer& layer = doc.Layers[size_t(top)];
    layer.Left = Left;
    layer.Top = Top;
    layer.HostData = hostData_;
    layer.Opacity = opacity_;
    layer.BlendMode = blendMode_;
    layer.Visible = visible_;
    // The layer takes back its own name: a picture's is its list caption,
    // a text layer's the one it was given when it was made (a new one
    // could repeat the name of another text layer).
    layer.Name = Kind == hkTextLayerDeleted ? layerName_ : lx::toGbk(Name);
    if (QFile::exists(StyleFile)) doc.LoadLayerStyle(top, StyleFile);
    history::RestoreMask(Host, top, MaskRef, false, history::MaskIndex(layer));
    // Back to its index, every layer above it moving up by one, so that the
    // others keep the order they have.
    const int target = std::clamp(Layer, 1, top);
    for (int i = top; i > target; --i)
        doc.SwapLayers(i, i - 1);
    doc.CurrLayerID = target;
    Host.LayerRestored(target, Name);
    DeleteFiles(true);
}
