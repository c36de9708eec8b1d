// What the user does on the step-2 canvas with the mouse and the keyboard,
// and the commands that move and resize the selected layer.

#include "steps/compose_step.h"

#include "float_text.h"
#include "history/history_records.h"
#include "history/layer_snapshot.h"
#include "history/snapshot_store.h"
#include "lxImagevcl.h"
#include "program_state.h"
#include "steps/layer_list.h"
#include "steps/ruler_guides.h"
#include "widgets/wait_cursor.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>

namespace {

constexpr QColor kGuideColour(75, 255, 255);

bool shiftHeld(const QInputEvent* Event) {
    return Event->modifiers() & Qt::ShiftModifier;
}

} // namespace

bool TComposeStep::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == lxImg) {
        switch (Event->type()) {
        case QEvent::MouseButtonPress:
            lxImgMouseDown(static_cast<QMouseEvent*>(Event));
            return true;
        case QEvent::MouseMove:
            lxImgMouseMove(static_cast<QMouseEvent*>(Event));
            return true;
        case QEvent::MouseButtonRelease:
            lxImgMouseUp(static_cast<QMouseEvent*>(Event));
            return true;
        default:
            break;
        }
    } else if (Watched == ScrollBox1->viewport()) {
        if (Event->type() == QEvent::Resize) {
            ReSetImageXY();
            if (ShowsAll() && lxImg->LayersCount > 0)
                QTimer::singleShot(0, this, [this] {
                    if (ShowsAll()) N1Click();
                });
        } else if (Event->type() == QEvent::Wheel) {
            auto* wheel = static_cast<QWheelEvent*>(Event);
            // Ctrl + wheel zooms about the mouse; the plain wheel scrolls.
            if (wheel->modifiers() & Qt::ControlModifier) {
                const int steps = wheel->angleDelta().y() > 0 ? 1 : wheel->angleDelta().y() < 0 ? -1 : 0;
                const QPoint at = lxImg->mapFrom(ScrollBox1->viewport(), wheel->position().toPoint());
                ZoomAbout(steps, at);
                return true;
            }
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

bool TComposeStep::previewKey(QObject* Watched, QKeyEvent* Event) {
    // The window sees every key before the control that has the focus,
    // once: when it is delivered to that control.
    auto* widget = qobject_cast<QWidget*>(Watched);
    if (!isVisible() || !widget || widget->window() != window()) return false;
    QWidget* focus = QApplication::focusWidget();
    if (widget != focus && !(focus == nullptr && widget == window())) return false;
    return FormKeyDown(Event);
}

bool TComposeStep::FormKeyDown(QKeyEvent* Event) {
    if (!layerSelected()) return false;
    switch (Event->key()) {
    case Qt::Key_Left: KeyMoveLayer(-KeyStep, 0); break;
    case Qt::Key_Right: KeyMoveLayer(KeyStep, 0); break;
    case Qt::Key_Up: KeyMoveLayer(0, -KeyStep); break;
    case Qt::Key_Down: KeyMoveLayer(0, KeyStep); break;
    case Qt::Key_Delete:
        // Not while a caption or a position is being typed: there Del
        // deletes characters.
        if (!ListView1->IsEditingCaption() &&
            !qobject_cast<QLineEdit*>(QApplication::focusWidget()) &&
            ListView1->currentRow() >= 0) {
            DelLayer(lxImg->CurrLayerID);
            return true;
        }
        break;
    default: break;
    }
    // The key also reaches the control that has the focus.
    return false;
}

void TComposeStep::KeyMoveLayer(int DX, int DY) {
    if (!layerSelected() || isFixedOverlay(lxImg->CurrLayerID)) return;
    const TWaitCursor wait;
    TlxLayer& layer = lxImg->Layers[size_t(lxImg->CurrLayerID)];
    layer.Left += DX;
    layer.Top += DY;
    showPosition();
    afterChange();
}

void TComposeStep::Edit5Change() {
    positionEdited(Edit5, true);
}

void TComposeStep::Edit6Change() {
    positionEdited(Edit6, false);
}

void TComposeStep::positionEdited(QLineEdit* Edit, bool Horizontal) {
    if (settingPosition_ || !Edit->hasFocus() || Edit->text().isEmpty() || !layerSelected() ||
        isFixedOverlay(lxImg->CurrLayerID))
        return;
    bool ok = false;
    const double cm = Edit->text().toDouble(&ok);
    if (!ok || !std::isfinite(cm)) return;
    const double px = std::trunc(cm * 100 / 2.54 + 0.5);
    // Beyond any picture the engine can hold, a position means nothing.
    if (px > 4.0 * TlxImage::MaxPictureSide) return;
    TlxLayer& layer = lxImg->Layers[size_t(lxImg->CurrLayerID)];
    AddHistory(std::make_unique<TMoveRecord>(lxImg->CurrLayerID, layer.Left, layer.Top));
    (Horizontal ? layer.Left : layer.Top) = int(px);
    afterChange();
}

// ---------------------------------------------------------------- mouse

QString TComposeStep::captionSuffix(int X, int Y) const {
    const int x = lxImg->ScreenToImage(X), y = lxImg->ScreenToImage(Y);
    switch (Rulers->Unit()) {
    case qnPixel:
        return QStringLiteral(" - [PX: %1,%2]").arg(x).arg(y);
    case qnCM: {
        auto cm = [](int v) {
            return QString::number(std::trunc(v / 100.0 * 254 + 0.5) / 100, 'f', 2);
        };
        return QStringLiteral(" - [CM: %1,%2]").arg(cm(x), cm(y));
    }
    case qnPercent:
    default: {
        const double w = std::max(1, lxImg->ImageWidth), h = std::max(1, lxImg->ImageHeight);
        return QStringLiteral(" - [PC: %1,%2]")
            .arg(QString::number(x / w * 100, 'f', 2), QString::number(y / h * 100, 'f', 2));
    }
    }
}

void TComposeStep::SelLayerEx(int X, int Y, Qt::KeyboardModifiers Keys) {
    if (!(Keys & Qt::ShiftModifier)) return;
    for (int i = lxImg->LayersCount - 1; i >= 1; --i) {
        if (isFixedOverlay(i)) continue;
        const TlxLayer& layer = lxImg->Layers[size_t(i)];
        const int left = lxImg->ImageToScreen(layer.Left);
        const int top = lxImg->ImageToScreen(layer.Top);
        const int right = left + lxImg->ImageToScreen(layer.Bitmap.width());
        const int bottom = top + lxImg->ImageToScreen(layer.Bitmap.height());
        if (X >= left && X <= right && Y >= top && Y <= bottom) {
            const int row = ListView1->RowOfLayer(i, *lxImg);
            if (row >= 0) ListView1->setCurrentRow(row);
            return;
        }
    }
}

TSelectionHandles TComposeStep::handlesOnScreen() const {
    TSelectionHandles onScreen;
    for (size_t i = 0; i < onScreen.size(); ++i)
        onScreen[i] = {lxImg->ImageToScreen(SelectionHandles[i].X),
                       lxImg->ImageToScreen(SelectionHandles[i].Y)};
    return onScreen;
}

void TComposeStep::lxImgMouseDown(QMouseEvent* Event) {
    if (Event->button() != Qt::LeftButton) return;
    const int X = int(Event->position().x()), Y = int(Event->position().y());
    draggingGuide_ = false;
    const TGuideList& guides = state_.Guides;
    if (guides.Count > 0 && !Rulers->GuidesLocked()) {
        for (int i = 0; i < std::min(guides.Count, TGuideList::MaxGuides); ++i) {
            const TlxPoint g = guides.Items[size_t(i)];
            const bool hit = g.X != 0 ? X == lxImg->ImageToScreen(g.X) : Y == lxImg->ImageToScreen(g.Y);
            if (hit) {
                draggingGuide_ = true;
                draggedGuide_ = i;
                return;
            }
        }
    }
    if (lxImg->CurrLayerID == 0) return;
    ActiveHandle = HandleAt(handlesOnScreen(), X, Y, 2);
    if (ActiveHandle < 0) SelLayerEx(X, Y, Event->modifiers());
    DragStartX = X;
    DragStartY = Y;
    Dragging = true;
    if (layerSelected()) {
        const TlxLayer& layer = lxImg->Layers[size_t(lxImg->CurrLayerID)];
        dragOrigin_ = {layer.Left, layer.Top};
    }
}

QRect TComposeStep::dragFeedback(int X, int Y, bool Shift) const {
    const TlxLayer& layer = lxImg->Layers[size_t(lxImg->CurrLayerID)];
    const int w = layer.Bitmap.width(), h = layer.Bitmap.height();
    const TGuideList& guides = state_.Guides;
    const int count = std::clamp(guides.Count, 0, TGuideList::MaxGuides);
    if (ActiveHandle < 0) {
        int left = lxImg->ImageToScreen(dragOrigin_.X) + X - DragStartX;
        int top = lxImg->ImageToScreen(dragOrigin_.Y) + Y - DragStartY;
        const int sw = lxImg->ImageToScreen(w), sh = lxImg->ImageToScreen(h);
        const int startLeft = left, startTop = top;
        for (int i = 0; i < count; ++i) {
            const TlxPoint g = guides.Items[size_t(i)];
            if (g.X != 0) {
                if (std::abs(lxImg->ScreenToImage(startLeft) - g.X) <= GuideSnapDistance)
                    left = lxImg->ImageToScreen(g.X);
                else if (std::abs(lxImg->ScreenToImage(startLeft + sw) - g.X) <= GuideSnapDistance)
                    left = lxImg->ImageToScreen(g.X - w);
            } else {
                if (std::abs(lxImg->ScreenToImage(startTop) - g.Y) <= GuideSnapDistance)
                    top = lxImg->ImageToScreen(g.Y);
                else if (std::abs(lxImg->ScreenToImage(startTop + sh) - g.Y) <= GuideSnapDistance)
                    top = lxImg->ImageToScreen(g.Y - h);
            }
        }
        return QRect(left, top, sw, sh);
    }
    const TlxPoint snapped =
        SnapPoint(guides, lxImg->ScreenToImage(X), lxImg->ScreenToImage(Y));
    int sx = X, sy = Y;
    if (snapped.X != lxImg->ScreenToImage(X)) sx = lxImg->ImageToScreen(snapped.X);
    if (snapped.Y != lxImg->ScreenToImage(Y)) sy = lxImg->ImageToScreen(snapped.Y);
    const TlxPoint tl{lxImg->ImageToScreen(SelectionHandles[0].X),
                      lxImg->ImageToScreen(SelectionHandles[0].Y)};
    const TlxPoint br{lxImg->ImageToScreen(SelectionHandles[4].X),
                      lxImg->ImageToScreen(SelectionHandles[4].Y)};
    const double ratio = h > 0 ? double(w) / h : 0;
    return HandleDragRect(ActiveHandle, sx, sy, tl.X, tl.Y, br.X, br.Y, Shift, ratio);
}

void TComposeStep::lxImgMouseMove(QMouseEvent* Event) {
    const int X = int(Event->position().x()), Y = int(Event->position().y());
    Rulers->SetMarkers(X, Y);
    emit CaptionSuffixChanged(captionSuffix(X, Y));

    Qt::CursorShape cursor = layerSelected() ? Qt::SizeAllCursor : Qt::ArrowCursor;
    TGuideList& guides = state_.Guides;
    if (draggingGuide_ && draggedGuide_ >= 0 && draggedGuide_ < guides.Count) {
        TlxPoint& g = guides.Items[size_t(draggedGuide_)];
        if (g.X != 0)
            g.X = std::max(1, lxImg->ScreenToImage(X)); // at 0 it would turn horizontal
        else
            g.Y = lxImg->ScreenToImage(Y);
        RepaintCanvas();
    }
    for (int i = 0; i < std::min(guides.Count, TGuideList::MaxGuides); ++i) {
        const TlxPoint g = guides.Items[size_t(i)];
        if (g.X != 0 && X == lxImg->ImageToScreen(g.X)) cursor = Qt::SplitHCursor;
        if (g.X == 0 && Y == lxImg->ImageToScreen(g.Y)) cursor = Qt::SplitVCursor;
    }
    if (layerSelected()) {
        const int handle = HandleAt(handlesOnScreen(), X, Y, 2);
        if (handle >= 0) cursor = HandleCursor(handle);
    }
    lxImg->setCursor(cursor);

    if (!Dragging || !layerSelected() || draggingGuide_) return;
    const int current = lxImg->CurrLayerID;
    if (ActiveHandle < 0 && isFixedOverlay(current)) return;
    feedback_ = dragFeedback(X, Y, shiftHeld(Event));
    showFeedback_ = true;
    if (ActiveHandle < 0) {
        // The layer itself follows the mouse, where letting go would put it.
        TlxLayer& layer = lxImg->Layers[size_t(current)];
        const TlxPoint to =
            SnapMovedLayer(guides, lxImg->ScreenToImage(X - DragStartX) + dragOrigin_.X,
                           lxImg->ScreenToImage(Y - DragStartY) + dragOrigin_.Y,
                           layer.Bitmap.width(), layer.Bitmap.height());
        if (layer.Left != to.X || layer.Top != to.Y) {
            layer.Left = to.X;
            layer.Top = to.Y;
            lxImg->ReDraw();
            SelLayer(current);
        }
    }
    RepaintCanvas();
}

void TComposeStep::lxImgMouseUp(QMouseEvent* Event) {
    const int X = int(Event->position().x()), Y = int(Event->position().y());
    draggingGuide_ = false;
    if (!Dragging) return;
    Dragging = false;
    showFeedback_ = false;
    const int current = lxImg->CurrLayerID;
    if (!layerSelected()) {
        RepaintCanvas();
        return;
    }
    TlxLayer& layer = lxImg->Layers[size_t(current)];
    if (ActiveHandle < 0) {
        if (isFixedOverlay(current)) return;
        // Back to where the drag began; the step is recorded from there.
        const bool previewed = layer.Left != dragOrigin_.X || layer.Top != dragOrigin_.Y;
        layer.Left = dragOrigin_.X;
        layer.Top = dragOrigin_.Y;
        const TlxPoint to =
            SnapMovedLayer(state_.Guides, lxImg->ScreenToImage(X - DragStartX) + layer.Left,
                           lxImg->ScreenToImage(Y - DragStartY) + layer.Top,
                           layer.Bitmap.width(), layer.Bitmap.height());
        // A click without moving the mouse is no move: it would otherwise
        // snap a layer lying near a guide.
        const bool moved = X != DragStartX || Y != DragStartY;
        if (!moved || (to.X == layer.Left && to.Y == layer.Top)) {
            if (previewed) afterChange();
            RepaintCanvas();
            return;
        }
        const TWaitCursor wait;
        AddHistory(std::make_unique<TMoveRecord>(current, layer.Left, layer.Top));
        layer.Left = to.X;
        layer.Top = to.Y;
        showPosition();
        afterChange();
        return;
    }
    const TlxPoint m = SnapPoint(state_.Guides, lxImg->ScreenToImage(X), lxImg->ScreenToImage(Y));
    const int w = layer.Bitmap.width(), h = layer.Bitmap.height();
    const double ratio = h > 0 ? double(w) / h : 0;
    const QRect r = HandleDragRect(ActiveHandle, m.X, m.Y, SelectionHandles[0].X,
                                   SelectionHandles[0].Y, SelectionHandles[4].X,
                                   SelectionHandles[4].Y, shiftHeld(Event), ratio);
    if (r.width() > 0 && r.height() > 0) SetLayerSize(r.x(), r.y(), r.width(), r.height());
    RepaintCanvas();
}

// ---------------------------------------------------------------- paint

void TComposeStep::lxImgPaint(QPainter& Painter) {
    Painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    Painter.setRenderHint(QPainter::Antialiasing, false);
    const TGuideList& guides = state_.Guides;
    Painter.setPen(QPen(kGuideColour, 1));
    for (int i = 0; i < std::clamp(guides.Count, 0, TGuideList::MaxGuides); ++i) {
        const TlxPoint g = guides.Items[size_t(i)];
        if (g.X != 0) {
            const int x = lxImg->ImageToScreen(g.X);
            Painter.drawLine(x, lxImg->ImageToScreen(g.Y), x, lxImg->height());
        } else {
            const int y = lxImg->ImageToScreen(g.Y);
            Painter.drawLine(0, y, lxImg->width(), y);
        }
    }
    if (layerSelected()) {
        Painter.setPen(QPen(Qt::black, 1));
        Painter.setBrush(Qt::white);
        for (const TlxPoint& h : SelectionHandles) {
            const int sx = lxImg->ImageToScreen(h.X), sy = lxImg->ImageToScreen(h.Y);
            Painter.drawRect(sx - 2, sy - 2, 4, 4);
        }
    }
    if (showFeedback_ && Dragging) {
        // An inverting pen shows on any picture.
        Painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        Painter.setPen(QPen(Qt::white, 2));
        Painter.setBrush(Qt::NoBrush);
        Painter.drawRect(feedback_.normalized());
        Painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

// ---------------------------------------------------------------- resize

void TComposeStep::SetLayerSize(int X, int Y, int Width, int Height) {
    if (!layerSelected()) return;
    const int current = lxImg->CurrLayerID;
    TlxLayer& layer = lxImg->Layers[size_t(current)];
    if (layer.Left == X && layer.Top == Y && layer.Bitmap.width() == Width &&
        layer.Bitmap.height() == Height)
        return;
    if (!layer.IsText) {
        // A size past the engine's limits is not tried at all.
        if (Width <= 0 || Height <= 0 || !TlxImage::PictureSizeAllowed(Width, Height)) return;
        const TWaitCursor wait;
        if (PristineCopy.isNull() || pristineLayer_ != current) refreshPristine();
        const QListWidgetItem* row = ListView1->item(ListView1->RowOfLayer(current, *lxImg));
        const bool wasModified = state_.Modified;
        AddHistory(TReshapeRecord::Capture(*lxImg, current, snapshots_, row ? row->text() : QString()));
        // What the layer holds now, should the new size not be made.
        const QImage bitmap = layer.Bitmap, alpha = layer.Alpha, mask = layer.Mask;
        const bool hasMask = layer.HasMask;
        const int left = layer.Left, top = layer.Top;
        layer.Left = X;
        layer.Top = Y;
        const bool done = !PristineCopy.isNull() && lxImg->SetLayerBitmap(current, PristineCopy) &&
                          lxImg->ResizeLayer(current, Width, Height, 2);
        if (!done) {
            TlxLayer& again = lxImg->Layers[size_t(current)];
            again.Bitmap = bitmap;
            again.Alpha = alpha;
            again.Mask = mask;
            again.HasMask = hasMask;
            again.IsText = false;
            again.Left = left;
            again.Top = top;
            history_.DropLast();
            state_.Modified = wasModified;
        } else {
            LayerPictureChanged(current);
        }
        afterChange();
        showPosition();
        return;
    }
    if (Width <= 0 || layer.Bitmap.width() <= 0) return;
    const TWaitCursor wait;
    const TlxTextStyle before = layer.TextStyle;
    const int left = layer.Left, top = layer.Top;
    const double size = std::trunc(double(layer.TextStyle.Size) * Width / layer.Bitmap.width() + 0.5);
    // A font beyond any picture cannot be drawn; the layer stays as it is.
    if (size < 1 || size > TlxImage::MaxPictureSide) return;
    layer.Left = X;
    layer.Top = Y;
    layer.TextStyle.Size = int32_t(size);
    if (!lxImg->RenderTextLayer(current)) {
        TlxLayer& again = lxImg->Layers[size_t(current)];
        again.TextStyle = before;
        again.Left = left;
        again.Top = top;
        lxImg->RenderTextLayer(current);
    }
    history::RebuildEnabledEffects(*lxImg, current);
    LayerPictureChanged(current);
    afterChange();
    showPosition();
}
