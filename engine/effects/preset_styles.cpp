// The built-in text effects: layer style files embedded as the resources
// ":/custom/100" .. ":/custom/112", written at build time from a settings table.

#include "lxImage.h"

#include <QFile>

QByteArray TlxImage::PresetTextEffect(int Index) {
    constexpr int PresetCount = 13;
    if (Index < 0 || Index >= PresetCount) return {};
    QFile resource(QStringLiteral(":/custom/%1").arg(100 + Index));
    if (!resource.open(QIODevice::ReadOnly)) return {};
    return resource.readAll();
}
