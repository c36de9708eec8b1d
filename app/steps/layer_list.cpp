#include "steps/layer_list.h"

#include "codepage.h"
#include "lang_strings.h"
#include "lxImage.h"

#include <QDropEvent>
#include <QPainter>

const QString TLayerList::FixedOverlayName = QStringLiteral("Idiograph");

namespace {

constexpr int kThumb = 32;

// The icon text layers show in place of a thumbnail: a "T" on a page.
QPixmap textIcon(qreal ratio) {
    QPixmap icon(QSize(kThumb, kThumb) * ratio);
    icon.setDevicePixelRatio(ratio);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(2.5, 2.5, kThumb - 5, kThumb - 5), 3, 3);
    QFont f(QStringLiteral("Serif"));
    f.setPixelSize(22);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(30, 60, 150));
    p.drawText(QRectF(0, 0, kThumb, kThumb), Qt::AlignCenter, QStringLiteral("T"));
    return icon;
}

} // namespace

TLayerList::TLayerList(QWidget* parent) : QListWidget(parent) {
    setIconSize(QSize(kThumb, kThumb));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::SelectedClicked);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemChanged, this, &TLayerList::captionEdited);
}

QPixmap TLayerList::TextIcon(qreal PixelRatio) {
    return textIcon(PixelRatio);
}

QPixmap TLayerList::PictureThumbnail(const QImage& Picture, qreal PixelRatio) {
    const int side = int(std::lround(kThumb * PixelRatio));
    QImage thumb(side, side, QImage::Format_ARGB32_Premultiplied);
    thumb.fill(Qt::transparent);
    if (!Picture.isNull()) {
        // A large photo is brought near the size first in one cheap pass, so
        // that the smooth pass has few pixels left to read.
        QImage source = Picture;
        const int rough = side * 4;
        if (source.width() > rough * 2 || source.height() > rough * 2)
            source = source.scaled(rough, rough, Qt::KeepAspectRatio, Qt::FastTransformation);
        const QImage fitted =
            source.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter p(&thumb);
        p.drawImage((side - fitted.width()) / 2, (side - fitted.height()) / 2, fitted);
    }
    QPixmap pixmap = QPixmap::fromImage(thumb);
    pixmap.setDevicePixelRatio(PixelRatio);
    return pixmap;
}

QPixmap TLayerList::Thumbnail(const TlxImage& Doc, int Layer, qreal PixelRatio) {
    if (Layer < 0 || Layer >= Doc.LayersCount) return QPixmap();
    if (Doc.Layers[size_t(Layer)].IsText) return textIcon(PixelRatio);
    QImage picture;
    if (!Doc.GetLayerBitmap32(Layer, picture)) picture = QImage();
    return PictureThumbnail(picture, PixelRatio);
}

QListWidgetItem* TLayerList::makeRow(const TlxImage& Doc, int Layer) {
    const TlxLayer& layer = Doc.Layers[size_t(Layer)];
    auto* item = new QListWidgetItem(QIcon(Thumbnail(Doc, Layer, devicePixelRatioF())),
                                     lx::fromGbk(layer.Name));
    Qt::ItemFlags flags = item->flags() | Qt::ItemIsDragEnabled;
    if (item->text() == FixedOverlayName)
        flags &= ~Qt::ItemIsEditable;
    else
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    item->setData(Qt::UserRole, item->text());
    item->setToolTip(LangText(layer.IsText ? 270 : 271));
    return item;
}

void TLayerList::RebuildFromDocument(const TlxImage& Doc) {
    rebuilding_ = true;
    const QSignalBlocker quiet(this);
    clear();
    for (int layer = Doc.LayersCount - 1; layer >= 1; --layer)
        addItem(makeRow(Doc, layer));
    rebuilding_ = false;
}

void TLayerList::RefreshThumbnail(const TlxImage& Doc, int Layer) {
    const int row = RowOfLayer(Layer, Doc);
    if (QListWidgetItem* it = item(row)) {
        const QSignalBlocker quiet(this);
        it->setIcon(QIcon(Thumbnail(Doc, Layer, devicePixelRatioF())));
        it->setToolTip(LangText(Doc.Layers[size_t(Layer)].IsText ? 270 : 271));
    }
}

void TLayerList::Recaption(const TlxImage& Doc) {
    const QSignalBlocker quiet(this);
    for (int row = 0; row < count(); ++row) {
        const int layer = LayerOfRow(row, Doc);
        if (layer >= 1) item(row)->setToolTip(LangText(Doc.Layers[size_t(layer)].IsText ? 270 : 271));
    }
}

void TLayerList::SwapRows(int RowA, int RowB) {
    QListWidgetItem* a = item(RowA);
    QListWidgetItem* b = item(RowB);
    if (!a || !b || a == b) return;
    const QSignalBlocker quiet(this);
    const QIcon icon = a->icon();
    const QString text = a->text(), tip = a->toolTip();
    const Qt::ItemFlags flags = a->flags();
    a->setIcon(b->icon());
    a->setText(b->text());
    a->setToolTip(b->toolTip());
    a->setFlags(b->flags());
    a->setData(Qt::UserRole, a->text());
    b->setIcon(icon);
    b->setText(text);
    b->setToolTip(tip);
    b->setFlags(flags);
    b->setData(Qt::UserRole, text);
}

void TLayerList::InsertRow(int Row, const QPixmap& Icon, const QString& Caption, bool IsText) {
    auto* it = new QListWidgetItem(QIcon(Icon), Caption);
    Qt::ItemFlags flags = it->flags() | Qt::ItemIsDragEnabled;
    if (Caption == FixedOverlayName)
        flags &= ~Qt::ItemIsEditable;
    else
        flags |= Qt::ItemIsEditable;
    it->setFlags(flags);
    it->setData(Qt::UserRole, Caption);
    it->setToolTip(LangText(IsText ? 270 : 271));
    const QSignalBlocker quiet(this);
    insertItem(std::clamp(Row, 0, count()), it);
    setCurrentItem(it);
}

void TLayerList::InsertLayerRow(int Row, const TlxImage& Doc, int Layer, const QString& Caption) {
    if (Layer < 1 || Layer >= Doc.LayersCount) return;
    InsertRow(Row, Thumbnail(Doc, Layer, devicePixelRatioF()), Caption,
              Doc.Layers[size_t(Layer)].IsText);
}

void TLayerList::SetRowIcon(int Row, const QPixmap& Icon) {
    if (QListWidgetItem* it = item(Row)) {
        const QSignalBlocker quiet(this);
        it->setIcon(QIcon(Icon));
    }
}

void TLayerList::RemoveRow(int Row) {
    const QSignalBlocker quiet(this);
    delete takeItem(Row);
}

int TLayerList::LayerOfRow(int Row, const TlxImage& Doc) const {
    if (Row < 0 || Row >= count()) return -1;
    return Doc.LayersCount - 1 - Row;
}

int TLayerList::RowOfLayer(int Layer, const TlxImage& Doc) const {
    const int row = Doc.LayersCount - 1 - Layer;
    return Layer >= 1 && row >= 0 && row < count() ? row : -1;
}

bool TLayerList::IsFixedOverlayRow(int Row) const {
    const QListWidgetItem* it = item(Row);
    return it && it->text() == FixedOverlayName;
}

bool TLayerList::IsEditingCaption() const {
    return state() == QAbstractItemView::EditingState;
}

void TLayerList::captionEdited(QListWidgetItem* Item) {
    if (rebuilding_ || !Item) return;
    const QString before = Item->data(Qt::UserRole).toString();
    // Only the caption changes; no caption may become the fixed overlay's.
    if (Item->text() == FixedOverlayName || before == FixedOverlayName) {
        const QSignalBlocker quiet(this);
        Item->setText(before);
        return;
    }
    const QSignalBlocker quiet(this);
    Item->setData(Qt::UserRole, Item->text());
}

void TLayerList::dragMoveEvent(QDragMoveEvent* event) {
    // Rows are dragged inside the list only.
    if (event->source() != this) {
        event->ignore();
        return;
    }
    QListWidget::dragMoveEvent(event);
}

void TLayerList::dropEvent(QDropEvent* event) {
    if (event->source() != this) {
        event->ignore();
        return;
    }
    const int target = indexAt(event->position().toPoint()).row();
    const int dragged = currentRow();
    // The rows swap in place; the view must not move or remove any itself.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (target >= 0 && dragged >= 0 && target != dragged) emit RowDropped(dragged, target);
}
