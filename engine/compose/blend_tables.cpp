// Tables of the blend modes 26..32: built into the program, and replaceable by
// table files beside it.

#include "lxImage.h"

#include <QDir>
#include <QFile>

#include <algorithm>

void TlxImage::LoadBlendTables(const QString& Folder) {
    // Whatever the tables become, a composite kept from the old ones is stale.
    ++blendTablesGeneration_;
    InvalidateComposeCache();
    for (auto& table : BlendTables)
        table.fill(0);

    for (int t = 0; t < BlendTableCount; ++t) {
        QFile resource(QStringLiteral(":/custom/%1").arg(10001 + t));
        if (!resource.open(QIODevice::ReadOnly)) continue;
        const QByteArray bytes = resource.read(BlendTableSize);
        std::copy(bytes.begin(), bytes.end(), BlendTables[size_t(t)].begin());
    }

    if (Folder.isEmpty()) return;
    const QDir dir(Folder);
    for (int t = 0; t < BlendTableCount; ++t) {
        QFile file(dir.filePath(QStringLiteral("%1.mode").arg(26 + t)));
        if (!file.open(QIODevice::ReadOnly)) continue;
        // A short file would leave a table half old, half new: it replaces
        // nothing unless it holds a whole table.
        const QByteArray bytes = file.read(BlendTableSize);
        if (bytes.size() != BlendTableSize) continue;
        std::copy(bytes.begin(), bytes.end(), BlendTables[size_t(t)].begin());
    }
}
