#include "velmo_assets.h"

#include "asset_table.h"
#include "effect_icon_table.h"
#include "program_folders.h"

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
        QImage picture =
            load(assets::ThumbnailFolder, Name + QLatin1String("@2x"), QImage::Format_RGB32);
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

namespace {

const assets::MaskSpec* maskSpec(int Row) {
    for (const assets::MaskSpec& m : assets::Masks)
        if (m.Row == Row) return &m;
    return nullptr;
}

// The icon side in device pixels, and the ratio to mark on it.
int iconScale(qreal DevicePixelRatio) {
    return DevicePixelRatio > 1 ? assets::ListIconHighScale : 1;
}

} // namespace

QImage MaskPicture(int Row) {
    if (maskSpec(Row) == nullptr) return {};
    return load(assets::MaskFolder, QString::number(10000 + Row), QImage::Format_Grayscale8);
}

bool MaskKeepsProportions(int Row) {
    const assets::MaskSpec* m = maskSpec(Row);
    return m != nullptr && m->Kind == assets::MaskKind::Heart;
}

QImage MaskIcon(int Row, qreal DevicePixelRatio) {
    const QImage mask = MaskPicture(Row);
    if (mask.isNull()) return {};
    const int scale = iconScale(DevicePixelRatio);
    const int side = assets::ListIconSize * scale;
    // Scaled as colour so the smooth scaling averages the big picture down
    // whatever the grey format's own scaling does.
    QImage icon = mask.convertToFormat(QImage::Format_RGB32)
                      .scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    icon.setDevicePixelRatio(scale);
    return icon;
}

QImage ListIcon(const QString& Name, qreal DevicePixelRatio) {
    const int scale = iconScale(DevicePixelRatio);
    QImage icon;
    if (Name == QLatin1String("Blank")) {
        icon = QImage(assets::ListIconSize * scale, assets::ListIconSize * scale,
                      QImage::Format_ARGB32);
        icon.fill(Qt::white);
    } else {
        for (const char* known : assets::ListIcons)
            if (Name == QLatin1String(known))
                icon = load(assets::ListIconFolder, scale > 1 ? Name + QLatin1String("@2x") : Name,
                            QImage::Format_ARGB32);
        if (icon.isNull()) return {};
    }
    icon.setDevicePixelRatio(scale);
    return icon;
}

QImage ToolIcon(const QString& Name, qreal DevicePixelRatio) {
    const int scale = DevicePixelRatio > 1 ? assets::ToolIconHighScale : 1;
    QImage icon;
    for (const char* known : assets::ToolIcons)
        if (Name == QLatin1String(known))
            icon = load(assets::ToolIconFolder, scale > 1 ? Name + QLatin1String("@2x") : Name,
                        QImage::Format_ARGB32);
    if (icon.isNull()) return {};
    icon.setDevicePixelRatio(scale);
    return icon;
}

QImage TextEffectIcon(int Row, qreal DevicePixelRatio) {
    namespace fx = effect_icons;
    static_assert(fx::LastRow - fx::FirstRow + 1 == TextEffectCount);
    if (Row < fx::FirstRow || Row > fx::LastRow) return {};
    const int scale = DevicePixelRatio > 1 ? fx::HighScale : 1;
    QString name = QString::number(fx::IdBase + Row);
    if (scale > 1) name += QLatin1String("@2x");
    QImage icon = load(fx::Folder, name, QImage::Format_RGB32);
    if (icon.isNull()) return {};
    icon.setDevicePixelRatio(scale);
    return icon;
}

QImage PatternTile(int Id) {
    for (const assets::PatternSpec& p : assets::Patterns)
        if (p.Id == Id)
            return load(assets::PatternFolder, QString::number(Id), QImage::Format_RGB32);
    return {};
}

QImage AppIcon(int Size) {
    for (int size : assets::AppIconSizes)
        if (size == Size)
            return load(assets::AppIconFolder, QLatin1String("velmo-") + QString::number(Size),
                        QImage::Format_ARGB32);
    return {};
}

QString HelpFolder() {
    if (QCoreApplication::instance() == nullptr) return {};
    return HelpFolderFor(QCoreApplication::applicationDirPath());
}

} // namespace velmo
