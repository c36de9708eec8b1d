#include "history/history_records.h"

#include "history/snapshot_store.h"
#include "lxImage.h"
#include "lxPictureFiles.h"

#include <QFile>
#include <QSaveFile>

namespace {

// Data written completely under Name, or nothing there at all.
bool writeWhole(const QString& Name, const QByteArray& Data) {
    if (Name.isEmpty() || Data.isEmpty()) return false;
    QSaveFile file(Name);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(Data) != Data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QImage readBitmap(const QString& Name) {
    QFile file(Name);
    if (!file.open(QIODevice::ReadOnly)) return QImage();
    return lx::decodeBmpPicture(file.readAll());
}

} // namespace

std::unique_ptr<TReshapeRecord> TReshapeRecord::Capture(TlxImage& Doc, int Layer_,
                                                        TSnapshotStore& Store,
                                                        const QString& Name_) {
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
        QImage picture;
        const QString bmp = Store.NewFileName(QStringLiteral("bmp"));
        if (Doc.GetLayerBitmap32(Layer_, picture) && writeWhole(bmp, lx::encodeBmpAsIs(picture)))
            record->BmpFile = bmp;
        const QString style = Store.NewFileName(QStringLiteral("style"));
        if (!style.isEmpty() && Doc.SaveLayerStyle(Layer_, style)) record->StyleFile = style;
        if (layer.HasMask) {
            const QString mask = Store.NewFileName(QStringLiteral("bmp"));
            if (writeWhole(mask, lx::encodeBmp24(layer.Mask))) record->MaskRef = mask;
        }
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
        const QImage picture = readBitmap(BmpFile);
        if (!picture.isNull() && doc.SetLayerBitmap(Layer, picture)) {
            doc.Layers[size_t(Layer)].Left = Left;
            doc.Layers[size_t(Layer)].Top = Top;
            if (QFile::exists(StyleFile)) doc.LoadLayerStyle(Layer, StyleFile);
            if (!MaskRef.startsWith(QLatin1Char('@')) && !MaskRef.startsWith(QLatin1Char('#')) &&
                QFile::exists(MaskRef))
                doc.LoadLayerMask(Layer, MaskRef); // a mask that fails to load is let go
            Host.LayerPictureChanged(Layer);
        }
        Host.SelectLayer(Layer);
    }
    DeleteFiles(true);
}
