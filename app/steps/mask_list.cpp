#include "steps/mask_list.h"

#include "lang_strings.h"
#include "lxImage.h"
#include "velmo_assets.h"

#include <QPainter>

#include <cmath>

TMaskList::TMaskList(QWidget* parent) : QListWidget(parent) {
    setIconSize(QSize(32, 32));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    LoadMask();
}

void TMaskList::LoadMask() {
    const int keep = currentRow();
    const QSignalBlocker quiet(this);
    clear();
    const qreal ratio = devicePixelRatioF();
    auto add = [&](const QImage& icon, const QString& caption) {
        QPixmap pixmap = QPixmap::fromImage(icon);
        addItem(new QListWidgetItem(QIcon(pixmap), caption));
    };
    add(velmo::ListIcon(QStringLiteral("Blank"), ratio), LangText(42));
    // Simplified Chinese carries the space in the string itself.
    const QString mask = LangText(43);
    const QString prefix = mask.endsWith(QLatin1Char(' ')) ? mask : mask + QLatin1Char(' ');
    for (int row = 1; row <= velmo::MaskCount; ++row)
        add(velmo::MaskIcon(row, ratio), prefix + QString::number(row));
    add(velmo::ListIcon(QStringLiteral("MskFile"), ratio), LangText(142));
    setToolTip(LangText(32));
    if (keep >= 0 && keep < count()) setCurrentRow(keep);
}

bool MaskRowKeepsProportions(int Row) {
    return velmo::MaskKeepsProportions(Row);
}

QImage resetbmp(TlxImage& Doc, const QImage& Mask, int LayerWidth, int LayerHeight) {
    const int lw = LayerWidth, lh = LayerHeight;
    const int mw = Mask.width(), mh = Mask.height();
    if (lw < 1 || lh < 1 || mw < 1 || mh < 1) return QImage();
    // The side that limits the scale is filled; halves round to even.
    int w = lw, h = lh;
    if (double(lw) / mw > double(lh) / mh)
        w = int(std::nearbyint(double(lh) / mh * mw));
    else
        h = int(std::nearbyint(double(lw) / mw * mh));
    w = std::clamp(w, 1, lw);
    h = std::clamp(h, 1, lh);
    QImage scaled;
    if (!Doc.StretchBitmapLinear(Mask, scaled, w, h)) return QImage();
    QImage fitted(lw, lh, QImage::Format_BGR888);
    if (fitted.isNull()) return QImage();
    fitted.fill(Qt::black);
    const int x0 = (lw - w) / 2, y0 = (lh - h) / 2;
    for (int y = 0; y < h; ++y)
        std::memcpy(fitted.scanLine(y0 + y) + size_t(x0) * 3, scaled.constScanLine(y), size_t(w) * 3);
    return fitted;
}
