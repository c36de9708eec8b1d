// Writes the program's built-in pictures as PNG files into the folder given
// on the command line, in the sub-folders of the asset table:
//   shapes/30001.png .. 30005.png     8-bit grey shape masks
//   thumbnails/<name>.png             128 x 128 template thumbnails
//   thumbnails/<name>@2x.png          the same at 256 x 256
//   decorations/102.png, 103.png      decorations with alpha
//   cursors/101.png .. 104.png        32 x 32 cursors with alpha
//   masks/10001.png .. 10031.png      8-bit grey mask list pictures
//   icons/<name>.png, <name>@2x.png   list icons with alpha, 32 and 64
//   appicon/velmo-48.png .. -256.png  the application icon with alpha
//   patterns/31001.png .. 31003.png   the layer style dialog's pattern tiles
// The library embeds them as Qt resources. Any failure to write ends the
// program with a message and exit code 1.
//
// Usage: gen_assets <outdir>

#include "asset_drawing.h"
#include "asset_table.h"
#include "shape_geometry.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

using namespace velmo::assets;

namespace {

bool save(const QImage& Picture, const QString& Dir, const char* Folder, const QString& Name) {
    const QString path = Dir + QLatin1Char('/') + QLatin1String(Folder);
    if (Picture.isNull() || !QDir().mkpath(path) ||
        !Picture.save(path + QLatin1Char('/') + Name + QLatin1String(".png"), "PNG")) {
        std::fprintf(stderr, "gen_assets: cannot write %s/%s.png\n", qPrintable(path),
                     qPrintable(Name));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_assets <outdir>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    for (const ShapeSpec& s : Shapes)
        ok = ok && save(renderShapeMask(s.Kind, s.Width, s.Height, s.Inverted), dir, ShapeFolder,
                        QString::number(s.Id));
    for (const char* name : Thumbnails) {
        ok = ok &&
             save(drawThumbnail(QLatin1String(name)), dir, ThumbnailFolder, QLatin1String(name));
        ok = ok && save(drawThumbnail(QLatin1String(name), ThumbnailHighScale), dir,
                        ThumbnailFolder, QLatin1String(name) + QLatin1String("@2x"));
    }
    for (const DecorationSpec& d : Decorations)
        ok = ok && save(drawDecoration(d.Id), dir, DecorationFolder, QString::number(d.Id));
    for (const CursorSpec& c : Cursors)
        ok = ok && save(drawCursor(c.Id), dir, CursorFolder, QString::number(c.Id));
    for (const MaskSpec& m : Masks)
        ok = ok && save(drawMask(m.Row), dir, MaskFolder, QString::number(10000 + m.Row));
    for (const char* name : ListIcons) {
        ok =
            ok && save(drawListIcon(QLatin1String(name)), dir, ListIconFolder, QLatin1String(name));
        ok = ok && save(drawListIcon(QLatin1String(name), ListIconHighScale), dir, ListIconFolder,
                        QLatin1String(name) + QLatin1String("@2x"));
    }
    for (const char* name : ToolIcons) {
        ok = ok && save(drawToolIcon(QLatin1String(name)), dir, ToolIconFolder, QLatin1String(name));
        ok = ok && save(drawToolIcon(QLatin1String(name), ToolIconHighScale), dir, ToolIconFolder,
                        QLatin1String(name) + QLatin1String("@2x"));
    }
    for (int size : AppIconSizes)
        ok = ok && save(drawAppIcon(size), dir, AppIconFolder,
                        QLatin1String("velmo-") + QString::number(size));
    for (const PatternSpec& p : Patterns)
        ok = ok && save(drawPattern(p.Id), dir, PatternFolder, QString::number(p.Id));
    return ok ? 0 : 1;
}
