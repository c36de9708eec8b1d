#include "velmo_assets.h"

#include "asset_table.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPixmap>

// The pictures are PNG files drawn by the build's generator and embedded as
// Qt resources under ":/velmo/<folder>/". Nothing is cached: each call loads
// the picture afresh, so the callers own their copies and no shared state
// needs guarding.

namespace velmo {

namespace {

QString resourcePath(const char* Folder, const QString& Name) {
    return QStringLiteral(":/velmo/") + QLatin1String(Folder) + QLatin1Char('/') + Name +
           QStringLiteral(".png");
}

QImage load(const char* Folder, const QString& Name, QImage::Format Format) {
    QImage picture(resourcePath(Folder, Name));
    if (picture.isNull()) return {};
    return picture.format() == Format ? picture : picture.convertToFormat(Format);
}

} // namespace

QImage ShapeMask(int Id) {
    for (const assets::ShapeSpec& s : assets::Shapes)
        if (s.Id == Id)
            return load(assets::ShapeFolder, QString::number(Id), QImage::Format_Grayscale8);
    return {};
}

QImage TemplateThumbnail(const QString& Name) {
    for (const char* known : assets::Thumbnails)
        if (Name == QLatin1String(known))
            return load(assets::ThumbnailFolder, Name, QImage::Format_RGB32);
    return {};
}

QImage TemplateThumbnail(const QString& Name, qreal DevicePixelRatio) {
    if (DevicePixelRatio <= 1) return TemplateThumbnail(Name);
    for (const char* known : assets::Thumbnails) {
        if (Name != QLatin1String(known)) continue;
        QImage picture = load(assets::ThumbnailFolder, Name + QLatin1String("@2x"),
                              QImage::Format_RGB32);
        picture.setDevicePixelRatio(assets::ThumbnailHighScale);
        return picture;
    }
    return {};
}

QImage Decoration(int Id) {
    for (const assets::DecorationSpec& d : assets::Decorations)
        if (d.Id == Id)
            return load(assets::DecorationFolder, QString::number(Id), QImage::Format_ARGB32);
    return {};
}

QCursor ProgramCursor(int Id) {
    // A pixmap needs the GUI application; without one only the arrow exists.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return QCursor(Qt::ArrowCursor);
    for (const assets::CursorSpec& c : assets::Cursors) {
        if (c.Id != Id) continue;
        const QImage picture =
            load(assets::CursorFolder, QString::number(Id), QImage::Format_ARGB32);
        if (picture.isNull()) break;
        return QCursor(QPixmap::fromImage(picture), c.HotX, c.HotY);
    }
    return QCursor(Qt::ArrowCursor);
}

QString HelpFolder() {
    if (QCoreApplication::instance() == nullptr) return {};
    return QCoreApplication::applicationDirPath() + QStringLiteral("/velmo.chm");
}

} // namespace velmo
