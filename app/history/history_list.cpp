#include "history/history_list.h"

#include "history/layer_snapshot.h"

#include <QFile>

THistoryHost::~THistoryHost() = default;
THistoryRcd::~THistoryRcd() = default;

namespace {

void removeIfThere(const QString& File) {
    if (!File.isEmpty() && QFile::exists(File)) QFile::remove(File);
}

} // namespace

void THistoryRcd::DeleteFiles(bool BitmapToo) const {
    if (BitmapToo) removeIfThere(BmpFile);
    if (history::MaskRefIsFile(MaskRef)) removeIfThere(MaskRef);
    removeIfThere(StyleFile);
}

THistoryList::~THistoryList() {
    ClearHistoryFile();
}

void THistoryList::Add(std::unique_ptr<THistoryRcd> Record) {
    if (!Record) return;
    if (int(items_.size()) >= MaxSteps) {
        items_.front()->DeleteFiles(items_.front()->OwnsFile);
        items_.erase(items_.begin());
    }
    items_.push_back(std::move(Record));
}

bool THistoryList::UndoLast(THistoryHost& Host) {
    if (items_.empty()) return false;
    std::unique_ptr<THistoryRcd> record = std::move(items_.back());
    items_.pop_back();
    record->Undo(Host);
    return true;
}

void THistoryList::DropLast() {
    if (items_.empty()) return;
    items_.back()->DeleteFiles(true);
    items_.pop_back();
}

void THistoryList::ClearHistoryFile() {
    for (const auto& record : items_)
        record->DeleteFiles(true);
    items_.clear();
}
