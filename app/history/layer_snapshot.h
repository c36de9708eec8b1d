#pragma once

// What the undo records share: writing and reading their snapshot files,
// the mask-list row a layer's mask came from, and the reference by which a
// record remembers a mask ("@" none, "#n" row n of the mask list, otherwise
// the path of a snapshot of the mask itself).

#include <QImage>
#include <QString>

class THistoryHost;
class TSnapshotStore;
class TlxImage;
struct TlxLayer;

namespace history {

// The mask-list row of a layer's mask lives in the layer's host data, so a
// saved design remembers it: 0 none, 1 .. 31 a row, 132 a picture file.
inline constexpr int MaskIndexOffset = 120;
inline constexpr int MaskFromFile = 132;
int MaskIndex(const TlxLayer& Layer);
void SetMaskIndex(TlxLayer& Layer, int Index);

// Data written completely under Name, or nothing there at all.
bool WriteWhole(const QString& Name, const QByteArray& Data);
// A bitmap snapshot read back; null when it is missing or damaged.
QImage ReadBitmap(const QString& Name);

// New snapshot files of a layer's picture (32-bit) and of its style; empty
// when they could not be written.
QString PictureSnapshot(TlxImage& Doc, int Layer, TSnapshotStore& Store);
QString StyleSnapshot(TlxImage& Doc, int Layer, TSnapshotStore& Store);

// How a record remembers Layer's mask: "@" when it has none, "#n" when it
// came from list row n with 1 <= n <= RowLimit, else a new snapshot file of
// the mask ("@" again should that file not be written).
QString MaskReference(const TlxLayer& Layer, TSnapshotStore& Store, int RowLimit);
bool MaskRefIsFile(const QString& Ref);
// Puts the mask a reference remembers back on Layer. "@" takes the mask
// off only when NoneRemoves is set. Index is the list row to keep for a
// mask read back from a file. A mask that cannot be restored is let go.
void RestoreMask(THistoryHost& Host, int Layer, const QString& Ref, bool NoneRemoves,
                 int Index = MaskFromFile);

// Builds every effect of Layer that is switched on again, after its pixels
// changed.
void RebuildEnabledEffects(TlxImage& Doc, int Layer);

} // namespace history
