#include "history/history_records.h"

#include "lxImage.h"

TAddRecord::TAddRecord(int Layer_, const QString& Name_) {
    Kind = hkLayerAdded;
    Layer = Layer_;
    Name = Name_;
}

void TAddRecord::Undo(THistoryHost& Host) {
    if (Layer < 1 || Layer >= Host.Document().LayersCount) return;
    Host.RemoveLayer(Layer);
}
