#include "steps/compose_step.h"

#include "float_text.h"
#include "history/history_records.h"
#include "history/snapshot_store.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "program_state.h"
#include "program_strings.h"
#include "rotate_dialog.h"
#include "steps/layer_list.h"
#include "steps/mask_list.h"
#include "steps/ruler_guides.h"
#include "steps/text_effect_list.h"
#include "user_interface_services.h"
#include "velmo_assets.h"
#include "widgets/named.h"
#include "widgets/wait_cursor.h"
#include "zoom_steps.h"

#include <QActionGroup>
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

namespace {

// The scroll box keeps room for the rulers along its top and left edges.
class TCanvasScrollBox : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    using QAbstractScrollArea::setViewportMargins;
};

// Space the canvas keeps from the scroll box's edges.
constexpr int kCanvasMargin = 8;

// The step's 100 % item zooms by 1.001, not 1.0: the picture is then drawn
// through the zoomed path like every other item.
double composeZoom(const TFixedZoom& Item) {
    return Item.Zoom == 1.0 ? 1.001 : Item.Zoom;
}

// Hands every key press of the application to the step first.
class TKeyPreview : public QObject {
public:
    TKeyPreview(std::function<bool(QObject*, QKeyEvent*)> Handler, QObject* parent)
        : QObject(parent), handler_(std::move(Handler)) {}

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() == QEvent::KeyPress)
            return handler_(Watched, static_cast<QKeyEvent*>(Event));
        return false;
    }

private:
    std::function<bool(QObject*, QKeyEvent*)> handler_;
};

} // namespace

TComposeStep::TComposeStep(TProgramState& State, TUiServices& Services, THistoryList& History,
                           TSnapshotStore& Snapshots, QWidget* parent)
    : QWidget(parent), state_(State), services_(Services), history_(History),
      snapshots_(Snapshots) {
    // The page is the plain button face, which the decorations are composed over.
    setAutoFillBackground(true);
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);

    auto* scroll = new TCanvasScrollBox(this);
    ScrollBox1 = named<QScrollArea>(scroll, "ScrollBox1");
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    ScrollBox1->setWidgetResizable(false);
    scroll->setViewportMargins(TRulerGuides::StripSize, TRulerGuides::StripSize, 0, 0);
    auto* host = new QWidget;
    host->setObjectName(QStringLiteral("CanvasHost"));
    host->setBackgroundRole(QPalette::Dark);
    lxImg = makeNamed<TlxImageVcl>(host, "lxImg");
    lxImg->setMouseTracking(true);
    lxImg->installEventFilter(this);
    lxImg->OnPaintOverlay = [this](QPainter& p) { lxImgPaint(p); };
    ScrollBox1->setWidget(host);
    ScrollBox1->viewport()->installEventFilter(this);
    Rulers = new TRulerGuides(*ScrollBox1, *lxImg, state_.Guides, services_,
                              [this] { RepaintCanvas(); });
    connect(ScrollBox1->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { ReSetImageXY(); });
    connect(ScrollBox1->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { ReSetImageXY(); });

    // The tools above the canvas.
    BitBtn5 = makeNamed<QPushButton>(this, "BitBtn5");
    BitBtn6 = makeNamed<QPushButton>(this, "BitBtn6");
    BitBtn7 = makeNamed<QPushButton>(this, "BitBtn7");
    BitBtn7->hide();
    connect(BitBtn6, &QPushButton::clicked, this, &TComposeStep::BitBtn6Click);
    connect(BitBtn7, &QPushButton::clicked, this, &TComposeStep::BitBtn7Click);
    BitBtn9 = makeNamed<QPushButton>(this, "BitBtn9");
    BitBtn9->hide();
    BitBtn12 = makeNamed<QPushButton>(this, "BitBtn12");
    connect(BitBtn12, &QPushButton::clicked, this, &TComposeStep::BitBtn12Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TComposeStep::BitBtn5Click);
    connect(BitBtn9, &QPushButton::clicked, this, &TComposeStep::BitBtn9Click);
    BitBtn8 = makeNamed<QPushButton>(this, "BitBtn8");
    BitBtn14 = makeNamed<QPushButton>(this, "BitBtn14");
    BitBtn14->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    connect(BitBtn8, &QPushButton::clicked, this, &TComposeStep::BitBtn8Click);
    connect(BitBtn14, &QPushButton::clicked, this, &TComposeStep::BitBtn14Click);
    UndoAction = new QAction(this);
    UndoAction->setShortcut(QKeySequence::Undo);
    UndoAction->setShortcutContext(Qt::WindowShortcut);
    connect(UndoAction, &QAction::triggered, this, &TComposeStep::BitBtn14Click);
    addAction(UndoAction);

    PopupMenu1 = makeNamed<QMenu>(this, "PopupMenu1");
    zoomGroup_ = new QActionGroup(this);
    N1 = named(PopupMenu1->addAction(QString()), "N1");
    N1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    PopupMenu1->addSeparator();
    for (const TFixedZoom& z : FixedZooms) {
        QAction* item = named(PopupMenu1->addAction(QString::fromLatin1(z.Caption)), z.Name);
        const double zoom = composeZoom(z);
        connect(item, &QAction::triggered, this, [this, zoom] { SetFixedZoom(zoom); });
        FixedZoomItems << item;
        if (zoom == 1.001) N1001 = item;
    }
    N1001->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    PopupMenu1->addSeparator();
    N9 = named(PopupMenu1->addAction(QString()), "N9");
    for (QAction* a : PopupMenu1->actions()) {
        if (a->isSeparator()) continue;
        a->setCheckable(true);
        a->setShortcutContext(Qt::WindowShortcut);
        zoomGroup_->addAction(a);
    }
    // The shortcuts work while the menu is closed.
    addAction(N1);
    addAction(N1001);
    N1->setChecked(true);
    connect(N1, &QAction::triggered, this, &TComposeStep::N1Click);
    connect(N9, &QAction::triggered, this, &TComposeStep::N9Click);

    // The picture layer's menu: crop, turn, precise resize, layer style, curves.
    PopupMenu3 = makeNamed<QMenu>(this, "PopupMenu3");
    N12 = named(PopupMenu3->addAction(QString()), "N12");
    connect(N12, &QAction::triggered, this, &TComposeStep::N12Click);
    N14 = makeNamed<QMenu>(PopupMenu3, "N14");
    PopupMenu3->addMenu(N14);
    N451 = named(N14->addAction(QString()), "N451");
    N901 = named(N14->addAction(QString()), "N901");
    N902 = named(N14->addAction(QString()), "N902");
    N1801 = named(N14->addAction(QString()), "N1801");
    N14->addSeparator();
    N6 = named(N14->addAction(QString()), "N6");
    N16 = named(PopupMenu3->addAction(QString()), "N16");
    PopupMenu3->addSeparator();
    NLayerStyle = named(PopupMenu3->addAction(QString()), "NLayerStyle");
    NCurves = named(PopupMenu3->addAction(QString()), "NCurves");
    connect(NLayerStyle, &QAction::triggered, this, &TComposeStep::NLayerStyleClick);
    connect(NCurves, &QAction::triggered, this, &TComposeStep::NCurvesClick);
    auto turn = [this](int angle) {
        return [this, angle] { RotateLayer(lxImg->CurrLayerID, angle); };
    };
    connect(N451, &QAction::triggered, this, turn(45));
    connect(N901, &QAction::triggered, this, turn(90));
    connect(N902, &QAction::triggered, this, turn(-90));
    connect(N1801, &QAction::triggered, this, turn(180));
    connect(N6, &QAction::triggered, this, &TComposeStep::N6Click);
    connect(N16, &QAction::triggered, this, &TComposeStep::N16Click);

    // Beside the canvas: the decoration, the layer list, the position.
    Image2 = makeNamed<QLabel>(this, "Image2");
    Button4 = makeNamed<QPushButton>(this, "Button4");
    Image4 = makeNamed<QLabel>(this, "Image4");
    Image4->setAlignment(Qt::AlignCenter);
    ListView1 = makeNamed<TLayerList>(this, "ListView1");
    connect(ListView1, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> chosen = ListView1->selectedItems();
        if (chosen.isEmpty())
            ListView1SelectItem(-1, false);
        else
            ListView1SelectItem(ListView1->row(chosen.front()), true);
    });
    connect(ListView1, &TLayerList::RowDropped, this, &TComposeStep::ListView1EndDrag);
    ListView2 = makeNamed<TMaskList>(this, "ListView2");
    ListView2->hide();
    connect(ListView2, &QListWidget::itemDoubleClicked, this, [this] { ListView2DblClick(); });
    ListView3 = makeNamed<TTextEffectList>(this, "ListView3");
    ListView3->hide();
    connect(ListView3, &QListWidget::itemDoubleClicked, this, [this] { ListView3DblClick(); });
    Label11 = makeNamed<QLabel>(this, "Label11");
    Edit5 = makeNamed<QLineEdit>(this, "Edit5");
    Edit6 = makeNamed<QLineEdit>(this, "Edit6");
    Label3 = makeNamed<QLabel>(this, "Label3");
    // Positions are typed as digits and a decimal point.
    const QRegularExpression number(QStringLiteral("[0-9]*\\.?[0-9]*"));
    for (QLineEdit* e : {Edit5, Edit6}) {
        e->setValidator(new QRegularExpressionValidator(number, e));
        e->setMaximumWidth(90);
    }
    connect(Edit5, &QLineEdit::textEdited, this, &TComposeStep::Edit5Change);
    connect(Edit6, &QLineEdit::textEdited, this, &TComposeStep::Edit6Change);

    // Left: the tools over the canvas, help at the canvas's right edge.
    // Right: the decorations over the layer list and the position.
    auto* tools = new QHBoxLayout;
    tools->addWidget(BitBtn5);
    tools->addWidget(BitBtn6);
    tools->addWidget(BitBtn12);
    tools->addWidget(BitBtn9);
    tools->addWidget(BitBtn7);
    tools->addWidget(BitBtn8);
    tools->addWidget(BitBtn14);
    tools->addStretch(1);
    tools->addWidget(Button4);
    auto* work = new QVBoxLayout;
    work->addLayout(tools);
    work->addWidget(ScrollBox1, 1);

    auto* position = new QGridLayout;
    position->addWidget(Label11, 0, 0, 1, 3);
    position->addWidget(new QLabel(QStringLiteral("X"), this), 1, 0);
    position->addWidget(Edit5, 1, 1);
    position->addWidget(new QLabel(QStringLiteral("Y"), this), 2, 0);
    position->addWidget(Edit6, 2, 1);
    position->addWidget(Label3, 1, 2, 2, 1);
    position->setColumnStretch(1, 1);

    auto* side = new QVBoxLayout;
    side->setContentsMargins(0, 0, 0, 0);
    side->addWidget(Image2, 0, Qt::AlignRight);
    // The mask list takes the decoration's place while it shows.
    side->addWidget(Image4);
    side->addWidget(ListView2, 1);
    side->addWidget(ListView3, 1);
    side->addWidget(ListView1, 1);
    side->addLayout(position);
    auto* sideBox = new QWidget(this);
    sideBox->setLayout(side);
    sideBox->setFixedWidth(180);

    auto* page = new QHBoxLayout(this);
    page->addLayout(work, 1);
    page->addWidget(sideBox);

    keyPreview_ = new TKeyPreview(
        [this](QObject* watched, QKeyEvent* key) { return previewKey(watched, key); }, this);
    qApp->installEventFilter(keyPreview_);

    QImage decoration = velmo::Decoration(103);
    if (!decoration.isNull()) Image4->setFixedHeight(decoration.height());
    Recaption();
}

TComposeStep::~TComposeStep() {
    qApp->removeEventFilter(keyPreview_);
    lxImg->OnPaintOverlay = nullptr;
}

void TComposeStep::Recaption() {
    BitBtn5->setText(LangText(17));
    // "Crop& rotate image": the ampersand before the space is part of the
    // caption, not an accelerator.
    BitBtn9->setText(LangText(21).replace(QStringLiteral("& "), QStringLiteral("&& ")));
    N12->setText(LangText(86));
    N14->setTitle(LangText(87));
    N451->setText(LangText(24));
    N901->setText(LangText(25));
    N902->setText(LangText(26));
    N1801->setText(LangText(27));
    N6->setText(LangText(28));
    N16->setText(LangText(121));
    NLayerStyle->setText(ProgramText(PsMenuLayerStyle));
    NCurves->setText(ProgramText(PsMenuCurves));
    ListView2->LoadMask();
    BitBtn6->setText(LangText(18));
    BitBtn7->setText(LangText(20));
    BitBtn12->setText(LangText(119));
    ListView3->LoadTextZoom();
    BitBtn8->setText(LangText(19));
    BitBtn14->setText(LangText(132));
    BitBtn14->setToolTip(LangText(132) + QStringLiteral(" (") +
                         UndoAction->shortcut().toString(QKeySequence::NativeText) +
                         QStringLiteral(")"));
    N1->setText(LangText(22));
    N9->setText(LangText(23));
    Label11->setText(LangText(135));
    Label3->setText(LangText(11));
    Rulers->Recaption();
    ListView1->Recaption(*lxImg);
}

TlxImage& TComposeStep::Document() {
    return *lxImg;
}

bool TComposeStep::layerSelected() const {
    return lxImg->CurrLayerID > 0 && lxImg->CurrLayerID < lxImg->LayersCount;
}

bool TComposeStep::isFixedOverlay(int Layer) const {
    return Layer >= 0 && Layer < lxImg->LayersCount &&
           lxImg->Layers[size_t(Layer)].Name == TLayerList::FixedOverlayName.toStdString();
}

// ---------------------------------------------------------------- layer list

void TComposeStep::RebuildLayerList() {
    ListView1->RebuildFromDocument(*lxImg);
    pristineLayer_ = -1;
    PristineCopy = QImage();
    const int row = ListView1->RowOfLayer(lxImg->CurrLayerID, *lxImg);
    if (row >= 0 && !ListView1->IsFixedOverlayRow(row)) {
        ListView1->setCurrentRow(row);
    } else {
        lxImg->CurrLayerID = 0;
        SelLayer(0);
        setSelectedKind(NoLayer);
    }
}

void TComposeStep::SelLayer(int Index) {
    lxImg->CurrLayerID = Index;
    if (Index > 0 && Index < lxImg->LayersCount) {
        const TlxLayer& layer = lxImg->Layers[size_t(Index)];
        SelectionHandles =
            HandlesOf(layer.Left, layer.Top, layer.Bitmap.width(), layer.Bitmap.height());
    }
}

void TComposeStep::showPosition() {
    if (!layerSelected()) return;
    const TlxLayer& layer = lxImg->Layers[size_t(lxImg->CurrLayerID)];
    settingPosition_ = true;
    // An edit being typed in keeps its caret where it was.
    auto show = [](QLineEdit* edit, int px) {
        const int caret = edit->cursorPosition();
        edit->setText(FloatToStr(px / 100.0 * 2.54));
        if (edit->hasFocus()) edit->setCursorPosition(std::min(caret, int(edit->text().size())));
    };
    show(Edit5, layer.Left);
    show(Edit6, layer.Top);
    settingPosition_ = false;
}

void TComposeStep::showKindControls(bool IsText) {
    // Pictures get the masks and the crop-and-turn menu; the text commands
    // come with the text tools.
    ListView2->setVisible(!IsText);
    BitBtn9->setVisible(!IsText);
    ListView3->setVisible(IsText);
    BitBtn7->setVisible(IsText);
    Image4->hide();
    setSelectedKind(IsText ? TextLayer : PictureLayer);
}

void TComposeStep::setSelectedKind(TSelectedKind Kind) {
    if (Kind == NoLayer) {
        ListView2->hide();
        BitBtn9->hide();
        ListView3->hide();
        BitBtn7->hide();
        Image4->show();
    }
    if (selectedKind_ == Kind) return;
    selectedKind_ = Kind;
    emit SelectedKindChanged(Kind);
}

void TComposeStep::refreshPristine() {
    forgetPristine();
    if (!layerSelected()) return;
    if (lxImg->GetLayerBitmap32(lxImg->CurrLayerID, PristineCopy))
        pristineLayer_ = lxImg->CurrLayerID;
}

void TComposeStep::forgetPristine() {
    PristineCopy = QImage();
    pristineLayer_ = -1;
}

void TComposeStep::ListView1SelectItem(int Row, bool Selected) {
    if (!Selected || Row < 0) {
        setSelectedKind(NoLayer);
        return;
    }
    if (ListView1->IsFixedOverlayRow(Row)) return;
    SelLayer(ListView1->LayerOfRow(Row, *lxImg));
    RepaintCanvas();
    showPosition();
    if (layerSelected()) showKindControls(lxImg->Layers[size_t(lxImg->CurrLayerID)].IsText);
    if (lxImg->CurrLayerID != pristineLayer_ || PristineCopy.isNull()) refreshPristine();
}

void TComposeStep::ReSetLayerIndex(int A, int B) {
    const int n = lxImg->LayersCount;
    if (A < 0 || A >= n || B < 0 || B >= n) return;
    lxImg->SwapLayers(A, B);
    lxImg->CurrLayerID = B;
}

void TComposeStep::ListView1EndDrag(int DraggedRow, int TargetRow) {
    if (TargetRow < 0 || TargetRow >= ListView1->count() || DraggedRow < 0 ||
        DraggedRow >= ListView1->count() || TargetRow == DraggedRow)
        return;
    const TWaitCursor wait;
    const int dragged = ListView1->LayerOfRow(DraggedRow, *lxImg);
    const int target = ListView1->LayerOfRow(TargetRow, *lxImg);
    if (ListView1->Tag != -1) AddHistory(std::make_unique<TSwapRecord>(dragged, target));
    ReSetLayerIndex(dragged, target);
    ListView1->SwapRows(DraggedRow, TargetRow);
    // The selection stays on the row the drag started from, which now shows
    // the other layer.
    {
        const QSignalBlocker quiet(ListView1);
        ListView1->setCurrentRow(DraggedRow);
    }
    ListView1SelectItem(DraggedRow, true);
    refreshPristine();
    afterChange();
}

void TComposeStep::SwapLayersFromHistory(int LayerA, int LayerB) {
    const int rowA = ListView1->RowOfLayer(LayerA, *lxImg);
    const int rowB = ListView1->RowOfLayer(LayerB, *lxImg);
    if (rowA < 0 || rowB < 0) return;
    ListView1->Tag = -1;
    ListView1->setCurrentRow(rowA);
    ListView1EndDrag(rowA, rowB);
    ListView1->Tag = 0;
}

void TComposeStep::SelectLayer(int Layer) {
    const int row = ListView1->RowOfLayer(Layer, *lxImg);
    if (row < 0) return;
    if (ListView1->currentRow() == row && ListView1->item(row)->isSelected())
        ListView1SelectItem(row, true);
    else
        ListView1->setCurrentRow(row);
}

void TComposeStep::LayerPictureChanged(int Layer) {
    ListView1->RefreshThumbnail(*lxImg, Layer);
}

// ---------------------------------------------------------------- undo

void TComposeStep::AddHistory(std::unique_ptr<THistoryRcd> Record) {
    history_.Add(std::move(Record));
    BitBtn14->setEnabled(true);
    state_.Modified = true;
}

void TComposeStep::BitBtn14Click() {
    BitBtn14->setEnabled(false);
    if (history_.Count() > 0) {
        const TWaitCursor wait;
        history_.UndoLast(*this);
        afterChange();
        showPosition();
    }
    BitBtn14->setEnabled(true);
}

void TComposeStep::ClearHistory() {
    history_.ClearHistoryFile();
}

// ---------------------------------------------------------------- zoom

bool TComposeStep::ShowsAll() const {
    return N1->isChecked();
}

void TComposeStep::BitBtn8Click() {
    PopupMenu1->popup(BitBtn8->mapToGlobal(BitBtn8->rect().bottomLeft()));
}

void TComposeStep::N1Click() {
    if (lxImg->LayersCount < 1 || lxImg->ImageWidth < 1 || lxImg->ImageHeight < 1) return;
    // Twice: the second pass sees the scroll bars the first one settled.
    for (int pass = 0; pass < 2; ++pass) {
        const double aw = std::max(1, ScrollBox1->viewport()->width() - 2 * kCanvasMargin);
        const double ah = std::max(1, ScrollBox1->viewport()->height() - 2 * kCanvasMargin);
        const double w = lxImg->ImageWidth, h = lxImg->ImageHeight;
        lxImg->ZoomValue = w / aw >= h / ah ? aw / w : ah / h;
        if (lxImg->HasSelection) lxImg->BuildSelectionOutline();
        lxImg->ApplyZoom();
        lxImg->PaintImage();
        N1->setChecked(true);
        zoomItem_ = N1;
        ReSetImageXY();
    }
    RepaintCanvas();
}

void TComposeStep::applyZoom(double Zoom, QAction* Item) {
    lxImg->ZoomValue = Zoom;
    if (lxImg->HasSelection) lxImg->BuildSelectionOutline();
    lxImg->ApplyZoom();
    lxImg->PaintImage();
    if (Item) Item->setChecked(true);
    zoomItem_ = Item;
    ReSetImageXY();
    RepaintCanvas();
}

void TComposeStep::SetFixedZoom(double Zoom) {
    QAction* item = N9;
    for (int i = 0; i < FixedZoomItems.size(); ++i)
        if (composeZoom(FixedZooms[i]) == Zoom) item = FixedZoomItems[i];
    applyZoom(Zoom, item);
}

void TComposeStep::N9Click() {
    TForm2 dialog(window());
    TForm2Settings preset;
    preset.ZoomInput = true;
    const auto chosen = RunDialog(services_, dialog, preset);
    const std::optional<double> zoom =
        chosen ? TForm2::ZoomFromText(chosen->ZoomText) : std::nullopt;
    if (!zoom) {
        // The menu checked the item on its own; the zoom did not change.
        if (zoomItem_) zoomItem_->setChecked(true);
        return;
    }
    applyZoom(*zoom, N9);
}

void TComposeStep::ZoomAbout(int Steps, QPoint Anchor) {
    if (Steps == 0 || lxImg->ImageWidth < 1) return;
    const double current = lxImg->ZoomValue;
    int index = -1;
    if (Steps > 0) {
        for (int i = 0; i < FixedZoomItems.size() && index < 0; ++i)
            if (composeZoom(FixedZooms[i]) > current * 1.0001) index = i;
    } else {
        for (int i = int(FixedZoomItems.size()) - 1; i >= 0 && index < 0; --i)
            if (composeZoom(FixedZooms[i]) < current / 1.0001) index = i;
    }
    if (index < 0) return;
    // The picture point under the anchor stays under the mouse.
    const QPoint inViewport = lxImg->mapTo(ScrollBox1->viewport(), Anchor);
    const double px = Anchor.x() / current, py = Anchor.y() / current;
    applyZoom(composeZoom(FixedZooms[index]), FixedZoomItems[index]);
    const double z = lxImg->ZoomValue;
    const QPoint canvasInHost = lxImg->pos();
    ScrollBox1->horizontalScrollBar()->setValue(
        int(std::lround(canvasInHost.x() + px * z - inViewport.x())));
    ScrollBox1->verticalScrollBar()->setValue(
        int(std::lround(canvasInHost.y() + py * z - inViewport.y())));
}

void TComposeStep::ReSetImageXY() {
    QWidget* host = ScrollBox1->widget();
    const int cw = ScrollBox1->viewport()->width();
    const int ch = ScrollBox1->viewport()->height();
    const int w = lxImg->width(), h = lxImg->height();
    const int room = 2 * kCanvasMargin;
    const int left = w < cw - room ? (cw - room) / 2 - w / 2 + kCanvasMargin : kCanvasMargin;
    const int top = kCanvasMargin + (h < ch - room ? (ch - room) / 2 - h / 2 : 0);
    const QSize hostSize(std::max(cw, w + room), std::max(ch, h + room));
    if (host->size() != hostSize) host->resize(hostSize);
    if (lxImg->pos() != QPoint(left, top)) lxImg->move(left, top);
    const QPoint offset(ScrollBox1->horizontalScrollBar()->value(),
                        ScrollBox1->verticalScrollBar()->value());
    Rulers->Place(QRect(lxImg->pos() - offset, lxImg->size()));
}

// ---------------------------------------------------------------- repaint

void TComposeStep::afterChange() {
    lxImg->ReDraw();
    lxImg->ApplyZoom();
    SelLayer(lxImg->CurrLayerID);
    RepaintCanvas();
}

void TComposeStep::RepaintCanvas() {
    lxImg->PaintImage();
    lxImg->update();
}
