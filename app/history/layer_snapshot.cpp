#include "history/layer_snapshot.h"

#include "history/history_list.h"
#include "history/snapshot_store.h"
#include "lxImage.h"
#include "lxPictureFiles.h"

#include <QFile>
#include <QSaveFile>

#include <cstring>

namespace history {

int MaskIndex(const TlxLayer& Layer) {
    int32_t value = 0;
    std::memcpy(&value, Layer.HostData.data() + MaskIndexOffset, sizeof value);
    return value;
}

void SetMaskIndex(TlxLayer& Layer, int Index) {
    const int32_t value = Index;
    std::memcpy(Layer.HostData.data() + MaskIndexOffset, &value, sizeof value);
}

bool WriteWhole(const QString& Name, const QByteArray& Data) {
    if (Name.isEmpty() || Data.isEmpty()) return false;
    QSaveFile file(Name);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(Data) != Data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QImage ReadBitmap(const QString& Name) {
    QFile file(Name);
    if (Name.isEmpty() || !file.open(QIODevice::ReadOnly)) return QImage();
    return lx::decodeBmpPicture(file.readAll());
}

QString PictureSnapshot(TlxImage& Doc, int Layer, TSnapshotStore& Store) {
    QImage picture;
    const QString bmp = Store.NewFileName(QStringLiteral("bmp"));
    if (Doc.GetLayerBitmap32(Layer, picture) && WriteWhole(bmp, lx::encodeBmpAsIs(picture)))
        return bmp;
    return QString();
}

QString StyleSnapshot(TlxImage& Doc, int Layer, TSnapshotStore& Store) {
    const QString style = Store.NewFileName(QStringLiteral("style"));
    if (!style.isEmpty() && Doc.SaveLayerStyle(Layer, style)) return style;
    return QString();
}

QString MaskReference(const TlxLayer& Layer, TSnapshotStore& Store, int RowLimit) {
    if (!Layer.HasMask) return QStringLiteral("@");
    const int index = MaskIndex(Layer);
    if (index >= 1 && index <= RowLimit) return QStringLiteral("#%1").arg(index);
    const QString file = Store.NewFileName(QStringLiteral("bmp"));
    if (WriteWhole(file, lx::encodeBmp24(Layer.Mask))) return file;
    return QStringLiteral("@");
}

bool MaskRefIsFile(const QString& Ref) {
    return !Ref.isEmpty() && !Ref.startsWith(QLatin1Char('@')) && !Ref.startsWith(QLatin1Char('#'));
}

void RestoreMask(THistoryHost& Host, int Layer, const QString& Ref, bool NoneRemoves, int Index) {
    TlxImage& doc = Host.Document();
    if (Layer < 1 || Layer >= doc.LayersCount) return;
    if (MaskRefIsFile(Ref)) {
        if (QFile::exists(Ref) && doc.LoadLayerMask(Layer, Ref))
            SetMaskIndex(doc.Layers[size_t(Layer)], Index);
        return;
    }
    if (Ref.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const int row = Ref.mid(1).toInt(&ok);
        if (ok) Host.ApplyMaskRow(Layer, row);
        return;
    }
    if (Ref.startsWith(QLatin1Char('@')) && NoneRemoves) Host.ApplyMaskRow(Layer, 0);
}

void RebuildEnabledEffects(TlxImage& Doc, int Layer) {
    if (Layer < 0 || Layer >= Doc.LayersCount) return;
    const TlxLayerStyle& s = Doc.Layers[size_t(Layer)].Style;
    if (s.DropShadowOn) Doc.RebuildDropShadow(Layer);
    if (s.InnerShadowOn) Doc.RebuildInnerShadow(Layer);
    if (s.InnerGlowOn) Doc.RebuildInnerGlow(Layer);
    if (s.OuterGlowOn) Doc.RebuildOuterGlow(Layer);
    if (s.BevelOn) Doc.RebuildBevel(Layer);
    if (s.StrokeOn) Doc.RebuildStroke(Layer);
    if (s.GradientOverlayOn) Doc.RebuildGradientOverlay(Layer);
    if (s.StrokeOn && s.StrokeGradientOn) Doc.RebuildGradientStroke(Layer);
}

} // namespace history
