// The gradient and pattern choosers of the layer style dialog.

#include "layer_style_dialog.h"

#include "lang_strings.h"
#include "lxImageZoom.h"
#include "lxImagevcl.h"
#include "program_strings.h"
#include "style_pickers.h"
#include "velmo_assets.h"

#include "picture_codecs.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

namespace {

constexpr int kFirstPatternId = 31001;

QPixmap stretched(const QImage& Picture, int Size) {
    if (Picture.isNull()) return {};
    return QPixmap::fromImage(
        Picture.scaled(Size, Size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

// A pattern as the dialog keeps it: 32-bit with its fourth byte when it
// came so, else 24-bit.
QImage workingPattern(const QImage& Picture, bool KeepThirtyTwo) {
    if (KeepThirtyTwo && Picture.depth() == 32)
        return Picture.convertToFormat(QImage::Format_ARGB32);
    return Picture.convertToFormat(QImage::Format_BGR888);
}

} // namespace

// ---------------------------------------------------------------- gradients

void TForm63::refjbsColors() {
    try {
        thumbnails_.clear();
        ListView1->clear();
        ListView3->clear();
        thumbnails_.push_back(TextThumbnail(LangText(145), font()));
        thumbnails_.push_back(TextThumbnail(LangText(146), font()));
        if (hooks_.Gradients != nullptr)
            for (const TColorlistSrcd& definition : *hooks_.Gradients)
                thumbnails_.push_back(RampThumbnail(definition));
        for (QListWidget* list : {ListView1, ListView3})
            for (const QImage& t : thumbnails_) {
                auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(t)), QString());
                item->setSizeHint(QSize(GradientThumbWidth + 4, GradientThumbHeight + 4));
                list->addItem(item);
            }
    } catch (...) {
        // The lists stay as far as they were built.
    }
}

void TForm63::Selectjbs(int Index) {
    selectGradient(Index, !Pages[RowGradientOverlay]->isHidden());
}

void TForm63::selectGradient(int Index, bool Overlay) {
    try {
        QListWidget* list = Overlay ? ListView1 : ListView3;
        if (Index == 0) {
            int entry = 1;
            const std::optional<int> tag =
                hooks_.EditGradient ? hooks_.EditGradient(this) : std::nullopt;
            if (tag && *tag == -1) {
                refjbsColors();
                entry = int(thumbnails_.size()) - 1;
            } else if (tag && *tag >= 1) {
                entry = *tag + 1;
            }
            Index = entry;
        }
        const int count = int(thumbnails_.size());
        if (Index < 1 || Index >= count) return;
        list->hide();
        (Overlay ? Image1 : Image3)->setPixmap(QPixmap::fromImage(thumbnails_[size_t(Index)]));
        list->setCurrentRow(Index);
        TColorlistSrcd stops;
        if (Index == 1) {
            stops = BuiltInStops(Overlay);
        } else if (hooks_.Gradients != nullptr && Index - 2 < int(hooks_.Gradients->size())) {
            stops = (*hooks_.Gradients)[size_t(Index - 2)];
            stops.Count = std::clamp(stops.Count, 0, int(stops.Stops.size()));
            stops.Stops.resize(size_t(stops.Count));
        } else {
            return;
        }
        (Overlay ? overlayStops_ : strokeStops_) = std::move(stops);
        if (Overlay)
            applyRow(RowGradientOverlay, true);
        else if (Rb1->isChecked())
            applyRow(RowStroke, true);
    } catch (...) {
        // The working gradient and the lists stay as they were.
    }
}

void TForm63::placeOverlayList() {
    QLabel* swatch = Image1;
    const QPoint corner = swatch->mapTo(Pages[RowGradientOverlay], QPoint(0, 0));
    ListView1->setGeometry(corner.x(), corner.y() + swatch->height() + 4, GradientThumbWidth + 28,
                           6 * (GradientThumbHeight + 4) + 6);
}

void TForm63::Button1Click() {
    if (ListView1->isVisible()) {
        ListView1->hide();
        return;
    }
    placeOverlayList();
    ListView1->show();
    ListView1->raise();
    ListView1->setFocus();
}

void TForm63::Button2Click() {
    if (ListView3->isVisible()) {
        ListView3->hide();
        return;
    }
    const QPoint corner = Image3->mapTo(Pages[RowStroke], QPoint(0, 0));
    ListView3->setGeometry(corner.x(), corner.y() + Image3->height() + 4, GradientThumbWidth + 28,
                           6 * (GradientThumbHeight + 4) + 6);
    ListView3->show();
    ListView3->raise();
    ListView3->setFocus();
}

void TForm63::ListView1Click() {
    ListView1->hide();
    QListWidgetItem* item = ListView1->currentItem();
    if (item != nullptr && item->isSelected()) selectGradient(ListView1->row(item), true);
}

void TForm63::ListView3Click() {
    ListView3->hide();
    QListWidgetItem* item = ListView3->currentItem();
    if (item != nullptr && item->isSelected()) selectGradient(ListView3->row(item), false);
}

void TForm63::showAngle(bool Overlay) {
    if (Overlay) {
        const bool diagonal = Cb14->currentIndex() == 4;
        for (QWidget* w : {static_cast<QWidget*>(AngleLabel1), static_cast<QWidget*>(P29.Tb),
                           static_cast<QWidget*>(P29.Spin)})
            w->setVisible(diagonal);
    } else {
        const bool diagonal = Cb16->currentIndex() == 4;
        for (QWidget* w : {static_cast<QWidget*>(AngleLabel2), static_cast<QWidget*>(P31.Tb),
                           static_cast<QWidget*>(P31.Spin)})
            w->setVisible(diagonal);
    }
}

// ----------------------------------------------------------------- patterns

void TForm63::RefDesignLst() {
    try {
        ListView2->clear();
        struct Entry {
            QString Caption;
            QImage Thumb;
            int Number;
        };
        std::vector<Entry> entries;
        for (int n = 1; n <= BuiltInPatternCount; ++n) {
            const QImage tile = velmo::PatternTile(kFirstPatternId - 1 + n);
            if (tile.isNull()) return;
            entries.push_back({QLatin1String(DesignCaption) + QString::number(n),
                               tile.convertToFormat(QImage::Format_BGR888)
                                   .scaled(PatternThumbSize, PatternThumbSize,
                                           Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                               n});
        }
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return a.Caption.compare(b.Caption, Qt::CaseInsensitive) < 0;
        });
        for (const Entry& e : entries) {
            auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(e.Thumb)), e.Caption);
            item->setData(Qt::UserRole, e.Number);
            ListView2->addItem(item);
        }
    } catch (...) {
        // The list stays as far as it was built.
    }
}

void TForm63::SelectDesign(int Index) {
    try {
        const QImage tile = velmo::PatternTile(kFirstPatternId + Index);
        if (tile.isNull()) return;
        pattern_ = tile.convertToFormat(QImage::Format_BGR888);
        if (Index >= 0 && Index < ListView2->count()) ListView2->setCurrentRow(Index);
        Image2->setPixmap(stretched(pattern_, PatternThumbSize));
        ListView2->hide();
        setPatternSizeLabel(pattern_.width(), pattern_.height(), true);
        // Back to the natural size; a change of the scale rebuilds and
        // relabels through its handler.
        P32.Tb->setValue(100);
        applyRow(RowPatternOverlay, true);
    } catch (...) {
    }
}

void TForm63::setPattern(const QImage& Pattern, bool Designed) {
    pattern_ = Pattern;
    Image2->setPixmap(stretched(pattern_, PatternThumbSize));
    ListView2->clearSelection();
    ListView2->setCurrentRow(-1);
    setPatternSizeLabel(pattern_.width(), pattern_.height(), Designed);
}

void TForm63::setPatternSizeLabel(int Width, int Height, bool Designed) {
    const QString form = Designed ? QLatin1String(DesignSizeText) : ProgramText(PsStylePatternSize);
    Label42->setText(form.arg(Width).arg(Height));
}

void TForm63::Image2Click() {
    if (ListView2->isVisible()) {
        ListView2->hide();
        return;
    }
    const QPoint corner = Image2->mapTo(Pages[RowPatternOverlay], QPoint(0, 0));
    QWidget* page = Pages[RowPatternOverlay];
    const int top = corner.y() + Image2->height() + 4;
    ListView2->setGeometry(
        corner.x(), top, std::min(3 * (PatternThumbSize + 20) + 8, page->width() - corner.x() - 8),
        std::max(40, page->height() - top - 8));
    ListView2->show();
    ListView2->raise();
    ListView2->setFocus();
}

void TForm63::ListView2Click() {
    QListWidgetItem* item = ListView2->currentItem();
    if (item != nullptr && item->isSelected()) SelectDesign(ListView2->row(item));
    ListView2->hide();
}

void TForm63::BitBtn5Click() {
    PopupMenu1->popup(BitBtn5->mapToGlobal(QPoint(0, BitBtn5->height())));
}

void TForm63::PopupMenu1Popup() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    N3->setEnabled(data != nullptr && data->hasImage());
}

void TForm63::N3Click() {
    try {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (data == nullptr || !data->hasImage()) return;
        const QImage picture = QGuiApplication::clipboard()->image();
        if (picture.isNull()) return;
        const QImage working = workingPattern(picture, true);
        if (working.isNull()) return;
        setPattern(working, false);
        applyRow(RowPatternOverlay, true);
    } catch (...) {
    }
}

void TForm63::N5Click() {
    try {
        if (!hooks_.ChoosePatternFile) return;
        const QString name = hooks_.ChoosePatternFile(this, ProgramText(PsStylePatternFilter));
        if (name.isEmpty()) return;
        const velmo::codecs::TPictureLoad load = velmo::codecs::LoadPictureFile(name);
        if (!load.ok() || load.Picture.isNull()) return;
        QImage working = workingPattern(load.Picture, false);
        if (working.isNull()) return;
        if (QFileInfo(name).suffix().toLower() == QLatin1String("bmp") &&
            GetBitmapfileBit(name) == 32) {
            // A 32-bit bitmap keeps its fourth byte as the pattern's coverage.
            const QImage raw = ReadBitmap32File(name);
            if (!raw.isNull()) working = raw;
        }
        setPattern(working, false);
        applyRow(RowPatternOverlay, true);
    } catch (...) {
    }
}

void TForm63::Tb32Change() {
    sliderMoved(P32);
    if (QGuiApplication::mouseButtons() & Qt::LeftButton) return;
    applyRow(RowPatternOverlay, true);
    const int scale = P32.Tb->value();
    setPatternSizeLabel(ScaledPatternSide(pattern_.width(), scale),
                        ScaledPatternSide(pattern_.height(), scale), false);
}

QImage TForm63::ScaledPattern() {
    const int scale = P32.Tb->value();
    if (pattern_.isNull()) return {};
    if (scale == 100) return pattern_.copy();
    const int w = ScaledPatternSide(pattern_.width(), scale);
    const int h = ScaledPatternSide(pattern_.height(), scale);
    QImage scaled;
    switch (pattern_.depth()) {
    case 24:
        if (!doc_.StretchBitmapLinear(pattern_, scaled, w, h)) return {};
        break;
    case 32:
        if (!ZoomBitmap32(pattern_, scaled, w, h)) return {};
        break;
    case 8:
        if (!ZoomBitmap8(pattern_, scaled, w, h)) return {};
        break;
    default:
        // No resampler for other formats.
        return {};
    }
    return scaled;
}
