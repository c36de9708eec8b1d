#include "history/history_records.h"

#include "lxImage.h"

TMoveRecord::TMoveRecord(int Layer_, int OldLeft, int OldTop) {
    Kind = hkLayerMoved;
    Layer = Layer_;
    Left = OldLeft;
    Top = OldTop;
}

void TMoveRecord::Undo(THistoryHost& Host) {
    TlxImage& doc = Host.Document();
    if (Layer < 0 || Layer >= doc.LayersCount) return;
    doc.Layers[size_t(Layer)].Left = Left;
    doc.Layers[size_t(Layer)].Top = Top;
}
