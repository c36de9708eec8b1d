#include "history/history_records.h"

#include "history/layer_snapshot.h"
#include "history/snapshot_store.h"
#include "lxImage.h"

#include <QFile>

std::unique_ptr<TStyleRecord> TStyleRecord::Capture(TlxImage& Doc, int Layer_,
                                                    TSnapshotStore& Store) {
    auto record = std::make_unique<TStyleRecord>();
    record->Kind = hkTextStyleChanged;
    record->Layer = Layer_;
    if (Layer_ < 1 || Layer_ >= Doc.LayersCount) return record;
    try {
        record->StyleFile = history::StyleSnapshot(Doc, Layer_, Store);
    } catch (const std::bad_alloc&) {
        // No snapshot: the undo changes nothing.
    }
    return record;
}

void TStyleRecord::Undo(THistoryHost& Host) {
    TlxImage& doc = Host.Document();
    if (Layer >= 1 && Layer < doc.LayersCount && !StyleFile.isEmpty() && QFile::exists(StyleFile)) {
        // A style file that cannot be read back whole leaves the layer as
        // it is rather than half restored.
        TlxLayer& layer = doc.Layers[size_t(Layer)];
        const TlxLayerStyle style = layer.Style;
        const double opacity = layer.Opacity;
        const uint8_t mode = layer.BlendMode;
        if (!doc.LoadLayerStyle(Layer, StyleFile) || !doc.LastFileError.isNone()) {
            layer.Style = style;
            layer.Opacity = opacity;
            layer.BlendMode = mode;
            doc.InvalidateComposeCache();
        }
    }
    DeleteFiles(true);
}

TReEditRecord::TReEditRecord(const TlxImage& Doc, int Layer_) {
    Kind = hkTextReEdited;
    Layer = Layer_;
    if (Layer_ < 1 || Layer_ >= Doc.LayersCount) return;
    const TlxLayer& layer = Doc.Layers[size_t(Layer_)];
    TextStyle = layer.TextStyle;
    Left = layer.Left;
    Top = layer.Top;
}

void TReEditRecord::Undo(THistoryHost& Host) {
    TlxImage& doc = Host.Document();
    if (Layer < 1 || Layer >= doc.LayersCount || !doc.Layers[size_t(Layer)].IsText) return;
    TlxLayer& layer = doc.Layers[size_t(Layer)];
    const TlxTextStyle edited = layer.TextStyle;
    layer.TextStyle = TextStyle;
    if (!doc.RenderTextLayer(Layer)) {
        // The old text cannot be drawn now (memory): the edited one stays.
        layer.TextStyle = edited;
        return;
    }
    layer.Left = Left;
    layer.Top = Top;
    history::RebuildEnabledEffects(doc, Layer);
    Host.LayerPictureChanged(Layer);
}
