// The step-2 commands that add, delete and change picture layers: inserting
// pictures and frames (from the open dialog or dropped on the window), the
// signature's picture, deleting with its question, turning, the precise
// resize and the mask list.

#include "steps/compose_step.h"

#include "codepage.h"
#include "crop_dialog.h"
#include "signature_dialog.h"
#include "history/history_records.h"
#include "history/layer_snapshot.h"
#include "history/snapshot_store.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "picture_codecs.h"
#include "precise_resize_dialog.h"
#include "program_state.h"
#include "program_strings.h"
#include "rotate_dialog.h"
#include "steps/layer_list.h"
#include "steps/mask_list.h"
#include "user_interface_services.h"
#include "velmo_assets.h"
#include "widgets/wait_cursor.h"

#include <QFileInfo>
#include <QScreen>
#include <QMenu>
#include <QPushButton>

namespace {

// Why a picture could not be read, in the current language.
QString pictureErrorText(const QString& FileName, const velmo::codecs::TPictureLoad& Load) {
    const QString name = QFileInfo(FileName).fileName();
    int id = PsPictureDamaged;
    switch (Load.Why) {
    case velmo::codecs::TPictureLoad::NotFound:
        id = PsPictureNotFound;
        break;
    case velmo::codecs::TPictureLoad::Unsupported:
        id = PsPictureNotSupported;
        break;
    case velmo::codecs::TPictureLoad::TooLarge:
        id = PsPictureTooLarge;
        break;
    default:
        break;
    }
    return ProgramText(id).arg(name.isEmpty() ? FileName : name);
}

QString pictureFilter() {
    return velmo::codecs::PictureOpenFilter(ProgramText(PsAllPictures));
}

// A menu caption without its last three characters ("..." and the like).
QString captionWithoutEllipsis(const QString& Caption) {
    return Caption.left(std::max<qsizetype>(0, Caption.size() - 3));
}

} // namespace

bool TComposeStep::IsFramePicture(const QString& FileName, int PictureHeight, int ImageHeight) {
    return PictureHeight > ImageHeight + 400 ||
           FileName.toLower().contains(QStringLiteral("_bk."));
}

// ---------------------------------------------------------------- inserting

void TComposeStep::BitBtn5Click() {
    if (lxImg->LayersCount < 1) return;
    const QString file =
        services_.ChooseFileToOpen(window(), LangText(17).remove(QLatin1Char('&')), QString(),
                                   pictureFilter());
    if (file.isEmpty()) return;
    addimage(file);
}

bool TComposeStep::addimage(const QString& FileName, bool Quiet) {
    if (lxImg->LayersCount < 1) return false;
    const TWaitCursor wait;
    velmo::codecs::TPictureLoad load = velmo::codecs::LoadPictureFile(FileName);
    if (!load.ok()) {
        if (!Quiet)
            services_.ShowMessage(window(), pictureErrorText(FileName, load), QMessageBox::Critical);
        return false;
    }
    const bool frame = IsFramePicture(FileName, load.Picture.height(), lxImg->ImageHeight);
    const QString caption = QFileInfo(FileName).fileName();
    if (insertPictureLayer(std::move(load.Picture), caption, frame)) return true;
    if (!Quiet)
        services_.ShowMessage(window(), ProgramText(PsPictureNotAdded).arg(caption),
                              QMessageBox::Critical);
    return false;
}

void TComposeStep::BitBtn12Click() {
    if (lxImg->LayersCount < 1) return;
    TForm4 dialog(services_, window());
    TForm4Settings preset;
    {
        const TWaitCursor wait;
        // As large as the design, but never larger than the screen.
        QSize side(lxImg->ImageWidth, lxImg->ImageHeight);
        if (const QScreen* screen = this->screen()) side = side.boundedTo(screen->size());
        preset.WorkBitmap = QImage(side.expandedTo(QSize(1, 1)), QImage::Format_ARGB32);
        if (preset.WorkBitmap.isNull()) return;
        preset.WorkBitmap.fill(Qt::transparent);
    }
    const std::optional<TForm4Settings> chosen = RunDialog(services_, dialog, preset);
    if (!chosen || !chosen->SignatureDone) return;
    QImage signature;
    if (!dialog.CutSignature(signature)) return;
    AddBitmapToImage(signature);
}

bool TComposeStep::AddBitmapToImage(const QImage& Bitmap) {
    if (lxImg->LayersCount < 1) return false;
    const TWaitCursor wait;
    return insertPictureLayer(Bitmap, QStringLiteral("underwrite"), false);
}

bool TComposeStep::insertPictureLayer(QImage Picture, const QString& Caption, bool Frame) {
    const QPixmap thumbnail = TLayerList::PictureThumbnail(Picture, ListView1->devicePixelRatioF());
    if (!lxImg->AddBitmapLayer(Picture)) return false;
    // The layer holds its own copy now; the decoded picture goes before the
    // layer's working copy is taken.
    Picture = QImage();
    {
        TlxLayer& layer = lxImg->Layers[size_t(lxImg->LayersCount - 1)];
        layer.Left = (lxImg->ImageWidth - layer.Bitmap.width()) / 2;
        layer.Top = (lxImg->ImageHeight - layer.Bitmap.height()) / 2;
        layer.Name = lx::toGbk(Caption);
        history::SetMaskIndex(layer, 0);
        if (Frame) {
            layer.Left -= FrameShift;
            layer.Top = FrameTop;
        }
    }
    listNewLayer(thumbnail, Caption, false);
    return true;
}

void TComposeStep::listNewLayer(const QPixmap& Icon, const QString& Caption, bool IsText) {
    int index = lxImg->LayersCount - 1;
    // A fixed overlay stays on top.
    if (ListView1->count() > 0 && ListView1->IsFixedOverlayRow(0) && index >= 2) {
        lxImg->SwapLayers(index, index - 1);
        --index;
        lxImg->CurrLayerID = index;
    }
    ListView1->InsertRow(lxImg->LayersCount - 1 - index, Icon, Caption, IsText);
    afterChange();
    refreshPristine();
    AddHistory(std::make_unique<TAddRecord>(index, Caption));
    ListView1SelectItem(ListView1->currentRow(), true);
}

void TComposeStep::FinishDropped(const QStringList& Files) {
    if (Files.isEmpty()) return;
    const QString file = Files.front().trimmed();
    if (file.isEmpty() || !QFileInfo(file).isFile()) return;
    addimage(file, true);
}

// ---------------------------------------------------------------- deleting

void TComposeStep::selectTopRow() {
    int row = 0;
    if (ListView1->IsFixedOverlayRow(0) && ListView1->count() > 1) row = 1;
    if (row < ListView1->count() && !ListView1->IsFixedOverlayRow(row)) {
        ListView1->setCurrentRow(row);
        ListView1SelectItem(row, true);
    } else {
        lxImg->CurrLayerID = 0;
        SelLayer(0);
        setSelectedKind(NoLayer);
    }
}

void TComposeStep::DelLayer(int Layer) {
    if (Layer < 1 || Layer >= lxImg->LayersCount || isFixedOverlay(Layer)) return;
    const int row = ListView1->RowOfLayer(Layer, *lxImg);
    const QListWidgetItem* item = ListView1->item(row);
    if (!item || ListView1->currentRow() < 0) return;
    const QString question = LangText(44).replace(QStringLiteral("%s"), item->text());
    if (services_.ShowMessage(window(), question, QMessageBox::Question,
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    const TWaitCursor wait;
    AddHistory(TDeleteRecord::Capture(*lxImg, Layer, snapshots_, item->text()));
    lxImg->DeleteLayer(Layer);
    ListView1->RemoveRow(row);
    forgetPristine();
    selectTopRow();
    afterChange();
}

void TComposeStep::RemoveLayer(int Layer) {
    const int row = ListView1->RowOfLayer(Layer, *lxImg);
    if (!lxImg->DeleteLayer(Layer)) return;
    if (row >= 0) ListView1->RemoveRow(row);
    forgetPristine();
    selectTopRow();
}

void TComposeStep::LayerRestored(int Layer, const QString& Caption) {
    const int row = lxImg->LayersCount - 1 - Layer;
    ListView1->InsertLayerRow(row, *lxImg, Layer, Caption);
    forgetPristine();
    ListView1SelectItem(ListView1->currentRow(), true);
}

// ---------------------------------------------------------------- turning, resizing

void TComposeStep::BitBtn9Click() {
    PopupMenu3->popup(BitBtn9->mapToGlobal(BitBtn9->rect().bottomLeft()));
}

void TComposeStep::N12Click() {
    if (!layerSelected() || isFixedOverlay(lxImg->CurrLayerID)) return;
    const int current = lxImg->CurrLayerID;
    if (lxImg->Layers[size_t(current)].IsText) return;
    TForm3Settings preset;
    preset.Caption = captionWithoutEllipsis(N12->text());
    preset.ZoomHint = BitBtn8->text();
    for (QAction* item : PopupMenu1->actions())
        if (!item->isSeparator()) preset.ZoomCaptions << item->text();
    if (!lxImg->GetLayerBitmap32(current, preset.SourcePicture)) return;
    TForm3 dialog(services_, window());
    const std::optional<TForm3Settings> chosen = RunDialog(services_, dialog, preset);
    preset = TForm3Settings{}; // the copy of the layer goes before the new picture comes
    if (!chosen || !chosen->ContentChanged || chosen->Picture.isNull()) return;
    const TWaitCursor wait;
    const QListWidgetItem* row = ListView1->item(ListView1->RowOfLayer(current, *lxImg));
    const bool wasModified = state_.Modified;
    AddHistory(TReshapeRecord::Capture(*lxImg, current, snapshots_, row ? row->text() : QString()));
    TlxLayer& layer = lxImg->Layers[size_t(current)];
    const QImage oldMask = layer.HasMask ? layer.Mask : QImage();
    if (!lxImg->SetLayerBitmap(current, chosen->Picture)) {
        history_.DropLast();
        state_.Modified = wasModified;
        return;
    }
    // The mask is made again for the new size: a list mask from its row (a
    // step of its own), a mask from a file stretched to the new size.
    if (!oldMask.isNull()) {
        const int index = history::MaskIndex(layer);
        if (index >= 1 && index <= TMaskList::FileRow - 1) {
            applyMask(current, index);
        } else {
            AddHistory(TMaskRecord::Capture(*lxImg, current, snapshots_));
            QImage mask = oldMask;
            if (!lxImg->SetLayerMask(current, mask)) history_.DropLast();
        }
    }
    refreshPristine();
    LayerPictureChanged(current);
    afterChange();
    showPosition();
}

void TComposeStep::RotateLayer(int Layer, int Angle) {
    if (Layer < 1 || Layer >= lxImg->LayersCount || isFixedOverlay(Layer)) return;
    const TWaitCursor wait;
    const QListWidgetItem* row = ListView1->item(ListView1->RowOfLayer(Layer, *lxImg));
    const bool wasModified = state_.Modified;
    AddHistory(TReshapeRecord::Capture(*lxImg, Layer, snapshots_, row ? row->text() : QString()));
    if (!lxImg->RotateLayerImage(Layer, Angle)) {
        // Nothing was turned: no step to take back.
        history_.DropLast();
        state_.Modified = wasModified;
        return;
    }
    refreshPristine();
    // The thumbnail from the working copy just taken, not from another copy
    // of the turned picture.
    if (pristineLayer_ == Layer)
        ListView1->SetRowIcon(ListView1->RowOfLayer(Layer, *lxImg),
                              TLayerList::PictureThumbnail(PristineCopy, ListView1->devicePixelRatioF()));
    else
        LayerPictureChanged(Layer);
    afterChange();
    showPosition();
}

void TComposeStep::N6Click() {
    TForm2 dialog(window());
    const auto chosen = RunDialog(services_, dialog, TForm2Settings{});
    if (!chosen || chosen->Angle == 0) return;
    RotateLayer(lxImg->CurrLayerID, chosen->Angle);
}

void TComposeStep::N16Click() {
    if (!layerSelected() || isFixedOverlay(lxImg->CurrLayerID)) return;
    const int current = lxImg->CurrLayerID;
    const TlxLayer& layer = lxImg->Layers[size_t(current)];
    if (layer.IsText) return;
    TForm5 dialog(window());
    TForm5Settings preset;
    preset.Caption = captionWithoutEllipsis(N16->text());
    preset.OrigWidth = layer.Bitmap.width();
    preset.OrigHeight = layer.Bitmap.height();
    preset.WidthUnit = ruCentimetres;
    preset.HeightUnit = ruCentimetres;
    const auto chosen = RunDialog(services_, dialog, preset);
    if (!chosen) return;
    const std::optional<int> w = PixelsFromInput(chosen->WidthText, chosen->WidthUnit, preset.OrigWidth);
    const std::optional<int> h =
        PixelsFromInput(chosen->HeightText, chosen->HeightUnit, preset.OrigHeight);
    if (!w || !h || *w <= 0 || *h <= 0) return;
    if (!TlxImage::PictureSizeAllowed(*w, *h)) return;
    const QListWidgetItem* row = ListView1->item(ListView1->RowOfLayer(current, *lxImg));
    AddHistory(TReshapeRecord::Capture(*lxImg, current, snapshots_, row ? row->text() : QString()));
    SetLayerSize(layer.Left, layer.Top, *w, *h);
}

// ---------------------------------------------------------------- masks

void TComposeStep::ListView2DblClick() {
    const int row = ListView2->currentRow();
    if (row < 0 || !layerSelected() || isFixedOverlay(lxImg->CurrLayerID)) return;
    if (lxImg->Layers[size_t(lxImg->CurrLayerID)].IsText) return;
    applyMask(lxImg->CurrLayerID, row);
}

void TComposeStep::ApplyMaskRow(int Layer, int Row) {
    const int saved = ListView2->Tag;
    ListView2->Tag = -1;
    applyMask(Layer, Row);
    ListView2->Tag = saved;
}

void TComposeStep::applyMask(int Layer, int Row) {
    if (Layer < 1 || Layer >= lxImg->LayersCount) return;
    if (Row < TMaskList::RemoveRow || Row > TMaskList::FileRow) return;
    const bool record = ListView2->Tag != -1;
    const TWaitCursor wait;
    if (Row == TMaskList::FileRow) {
        // The step is recorded once a picture was chosen and read.
        const QString file = services_.ChooseFileToOpen(window(), LangText(142), QString(),
                                                        pictureFilter());
        if (file.isEmpty()) return;
        velmo::codecs::TPictureLoad load = velmo::codecs::LoadPictureFile(file);
        if (!load.ok()) {
            services_.ShowMessage(window(), pictureErrorText(file, load), QMessageBox::Critical);
            return;
        }
        if (record) AddHistory(TMaskRecord::Capture(*lxImg, Layer, snapshots_));
        if (lxImg->SetLayerMaskPicture(Layer, load.Picture)) {
            history::SetMaskIndex(lxImg->Layers[size_t(Layer)], history::MaskFromFile);
            state_.Modified = true;
        }
    } else {
        if (record) AddHistory(TMaskRecord::Capture(*lxImg, Layer, snapshots_));
        TlxLayer& layer = lxImg->Layers[size_t(Layer)];
        if (Row == TMaskList::RemoveRow) {
            if (layer.HasMask) {
                layer.HasMask = false;
                layer.Mask = QImage();
                history::SetMaskIndex(layer, 0);
            }
        } else {
            QImage mask = velmo::MaskPicture(Row);
            if (!mask.isNull() && MaskRowKeepsProportions(Row))
                mask = resetbmp(*lxImg, mask, layer.Bitmap.width(), layer.Bitmap.height());
            if (!mask.isNull() && lxImg->SetLayerMask(Layer, mask))
                history::SetMaskIndex(lxImg->Layers[size_t(Layer)], Row);
        }
    }
    lxImg->ReDraw();
    lxImg->ApplyZoom();
    RepaintCanvas();
}
