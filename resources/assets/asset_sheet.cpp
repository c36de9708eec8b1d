// velmo-asset-sheet FOLDER: draws every built-in picture of the program on
// one sheet, for a person to look at, and saves it as
// FOLDER/assets_contact_sheet.png. The shape masks are shrunk to 200 pixels
// high, the thumbnails shown doubled and at their own size, the decorations
// over a checkerboard and over a button face, the cursors at four times
// their size (hot spot marked red) and at their own size; below them the 31
// list masks in order, eight to a line, each fitted into 128 pixels in a
// frame, and the mask list's icons as the list shows them: the blank row,
// the 31 masks and the file row at 32 pixels, then the custom-effect icon
// and the 64-pixel icons of dense screens (the two drawn ones, then masks
// 1 .. 13); last the text-effect list's icons: the list's rows at 32 pixels
// (the blank row, effects 1 .. 12, the custom row), the 64-pixel effect
// icons, and the 32-pixel effect icons at four times their size.

#include "velmo_assets.h"

#include <QBrush>
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <cstdio>

namespace {

// Missing pictures are named on the error output and leave a gap.
QImage contactSheet(bool& complete) {
    complete = true;
    const auto found = [&complete](const QImage& picture, const char* what, int id) {
        if (picture.isNull()) {
            std::fprintf(stderr, "velmo-asset-sheet: no picture for %s %d\n", what, id);
            complete = false;
        }
        return picture;
    };
    QImage sheet(1100, 1870, QImage::Format_ARGB32);
    sheet.fill(QColor(240, 240, 240));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    int x = 10;
    for (int id : {30001, 30002, 30003, 30004, 30005}) {
        const QImage m =
            found(velmo::ShapeMask(id), "shape", id).scaledToHeight(200, Qt::SmoothTransformation);
        p.drawImage(x, 10, m);
        x += m.width() + 12;
    }
    x = 10;
    for (const char* name : {"Ellimg", "HeartImg", "wjximg", "NoImg"}) {
        const QImage t = velmo::TemplateThumbnail(QLatin1String(name));
        if (t.isNull()) {
            std::fprintf(stderr, "velmo-asset-sheet: no thumbnail %s\n", name);
            complete = false;
        }
        p.drawImage(QRect(x, 222, 256, 256), t);
        p.drawImage(10 + (x - 10) / 2, 490, t);
        x += 270;
    }
    QImage checker(8, 8, QImage::Format_RGB32);
    checker.fill(QColor(255, 255, 255));
    for (int y = 0; y < 8; ++y)
        for (int cx = 0; cx < 8; ++cx)
            if ((cx < 4) != (y < 4)) checker.setPixel(cx, y, qRgb(204, 204, 204));
    const QImage d102 = found(velmo::Decoration(102), "decoration", 102);
    const QImage d103 = found(velmo::Decoration(103), "decoration", 103);
    p.fillRect(QRect(560, 490, 102, 44), QBrush(checker));
    p.drawImage(560, 490, d102);
    p.fillRect(QRect(560, 545, 102, 44), QColor(239, 239, 239));
    p.drawImage(560, 545, d102);
    p.fillRect(QRect(680, 490, 150, 150), QBrush(checker));
    p.drawImage(680, 490, d103);
    p.fillRect(QRect(840, 490, 150, 150), QColor(239, 239, 239));
    p.drawImage(840, 490, d103);
    x = 10;
    for (int id : {101, 102, 103, 104}) {
        const QCursor c = velmo::ProgramCursor(id);
        const QImage img = found(c.pixmap().toImage(), "cursor", id);
        for (bool dark : {false, true}) {
            if (dark)
                p.fillRect(QRect(x, 650, 128, 128), QColor(40, 40, 40));
            else
                p.fillRect(QRect(x, 650, 128, 128), QBrush(checker));
            p.drawImage(QRect(x, 650, 128, 128), img);
            p.fillRect(QRect(x + 4 * c.hotSpot().x() + 1, 650 + 4 * c.hotSpot().y() + 1, 2, 2),
                       Qt::red);
            x += 134;
        }
        p.drawImage(1010 + (id - 101) % 2 * 40, 560 + (id - 101) / 2 * 40, img);
    }
    for (int row = 1; row <= velmo::MaskCount; ++row) {
        const QImage m = found(velmo::MaskPicture(row), "mask", row);
        const QRect cell(10 + (row - 1) % 8 * 136, 800 + (row - 1) / 8 * 136, 128, 128);
        if (m.isNull()) continue;
        const QSize fitted = m.size().scaled(cell.size(), Qt::KeepAspectRatio);
        const QRect target(cell.center() - QPoint(fitted.width() / 2, fitted.height() / 2), fitted);
        p.fillRect(target.adjusted(-1, -1, 1, 1), QColor(150, 150, 150));
        p.drawImage(target, m);
    }
    const auto icon = [&](const QImage& picture, const char* what, int id, int ix, int iy) {
        found(picture, what, id);
        p.drawImage(QRect(ix, iy, picture.width(), picture.height()), picture);
    };
    x = 6;
    icon(velmo::ListIcon(QStringLiteral("Blank")), "icon Blank", 0, x, 1354);
    for (int row = 1; row <= velmo::MaskCount; ++row)
        icon(velmo::MaskIcon(row), "mask icon", row, x += 33, 1354);
    icon(velmo::ListIcon(QStringLiteral("MskFile")), "icon MskFile", 32, x += 33, 1354);
    icon(velmo::ListIcon(QStringLiteral("CusImg")), "icon CusImg", 13, 6, 1394);
    x = 50;
    icon(velmo::ListIcon(QStringLiteral("MskFile"), 2), "icon MskFile@2x", 32, x, 1394);
    icon(velmo::ListIcon(QStringLiteral("CusImg"), 2), "icon CusImg@2x", 13, x += 68, 1394);
    for (int row = 1; row <= 13; ++row)
        icon(velmo::MaskIcon(row, 2), "mask icon @2x", row, x += 68, 1394);
    x = 6;
    icon(velmo::ListIcon(QStringLiteral("Blank")), "icon Blank", 0, x, 1474);
    for (int row = 1; row <= velmo::TextEffectCount; ++row)
        icon(velmo::TextEffectIcon(row), "text-effect icon", row, x += 36, 1474);
    icon(velmo::ListIcon(QStringLiteral("CusImg")), "icon CusImg", 13, x += 36, 1474);
    for (int row = 1; row <= velmo::TextEffectCount; ++row)
        icon(velmo::TextEffectIcon(row, 2), "text-effect icon @2x", row, 6 + (row - 1) * 72,
             1514);
    for (int row = 1; row <= velmo::TextEffectCount; ++row) {
        const QImage e = found(velmo::TextEffectIcon(row), "text-effect icon", row);
        // Blown up without smoothing, so each icon pixel shows as it is.
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRect(10 + (row - 1) % 8 * 136, 1590 + (row - 1) / 8 * 136, 128, 128), e);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    }
    p.end();
    return sheet;
}

} // namespace

int main(int argc, char** argv) {
    // The sheet is drawn off screen; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: velmo-asset-sheet FOLDER\n"
                             "writes FOLDER/assets_contact_sheet.png\n");
        return 2;
    }
    const QDir folder(args.at(1));
    if (!folder.exists()) {
        std::fprintf(stderr, "velmo-asset-sheet: no folder %s\n", qPrintable(args.at(1)));
        return 1;
    }
    const QString path = folder.filePath(QStringLiteral("assets_contact_sheet.png"));
    bool complete = false;
    if (!contactSheet(complete).save(path)) {
        std::fprintf(stderr, "velmo-asset-sheet: cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(QDir::toNativeSeparators(path)));
    return complete ? 0 : 1;
}
