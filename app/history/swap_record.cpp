#include "history/history_records.h"

TSwapRecord::TSwapRecord(int DraggedLayer, int OtherLayer) {
    Kind = hkLayersSwapped;
    Layer = DraggedLayer;
    Left = OtherLayer;
}

void TSwapRecord::Undo(THistoryHost& Host) {
    Host.SelectLayer(Layer);
    Host.SwapLayersFromHistory(Layer, Left);
}
