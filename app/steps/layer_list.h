#pragma once

// The layer list beside the step-2 canvas: one row per layer but the
// background, top layer first (row r shows layer LayersCount - 1 - r), each
// with a 32 x 32 thumbnail (text layers show the text icon) and a caption
// the user can rename in place. Dragging a row onto another swaps the two
// layers; the list itself only reports the drop.

#include <QListWidget>

class TlxImage;

class TLayerList : public QListWidget {
    Q_OBJECT
public:
    // A layer with this name is a fixed overlay: never selected, moved or
    // hit-tested, and its caption can be neither changed nor taken.
    static const QString FixedOverlayName;

    explicit TLayerList(QWidget* parent = nullptr);

    // Rows again from the document, captions from the layer names.
    void RebuildFromDocument(const TlxImage& Doc);
    // The thumbnail of the row showing Layer made again.
    void RefreshThumbnail(const TlxImage& Doc, int Layer);
    // Swaps the thumbnails and captions of two rows.
    void SwapRows(int RowA, int RowB);
    // A row for a new layer at Row, captioned Caption with Icon, selected
    // without the selection being reported.
    void InsertRow(int Row, const QPixmap& Icon, const QString& Caption, bool IsText);
    // The row for Layer of Doc, made as the list makes its rows, inserted at
    // Row under Caption.
    void InsertLayerRow(int Row, const TlxImage& Doc, int Layer, const QString& Caption);
    // A new thumbnail for a row.
    void SetRowIcon(int Row, const QPixmap& Icon);
    // Takes a row out without reporting a change of selection.
    void RemoveRow(int Row);
    // Re-captions the info tips of the rows in the current language.
    void Recaption(const TlxImage& Doc);

    // The layer a row shows and the row showing a layer (-1: none).
    int LayerOfRow(int Row, const TlxImage& Doc) const;
    int RowOfLayer(int Layer, const TlxImage& Doc) const;
    bool IsFixedOverlayRow(int Row) const;
    // A caption is being edited in place.
    bool IsEditingCaption() const;

    // The 32 x 32 thumbnail of a layer, at the given device pixel ratio.
    static QPixmap Thumbnail(const TlxImage& Doc, int Layer, qreal PixelRatio);
    // The thumbnail of a picture: stretched into the square keeping its
    // proportions, centred.
    static QPixmap PictureThumbnail(const QImage& Picture, qreal PixelRatio);
    // The icon text layers show.
    static QPixmap TextIcon(qreal PixelRatio);

    // While set (undo rebuilding the list), drag-swaps are not recorded.
    int Tag = 0;

signals:
    // The row being dragged was dropped onto another row.
    void RowDropped(int DraggedRow, int TargetRow);

protected:
    void dropEvent(QDropEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;

private:
    QListWidgetItem* makeRow(const TlxImage& Doc, int Layer);
    void captionEdited(QListWidgetItem* Item);
    // Captions as they were before an edit, to put back a refused one.
    bool rebuilding_ = false;
};
