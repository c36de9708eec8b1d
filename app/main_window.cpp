#include "main_window.h"

#include "codepage.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "qnToolTip.h"
#include "qt_translations.h"
#include "steps/canvas_step.h"
#include "steps/compose_step.h"
#include "steps/layer_list.h"
#include "steps/print_step.h"
#include "user_interface_services.h"
#include "velmo_assets.h"
#include "widgets/decorations.h"
#include "widgets/named.h"
#include "widgets/step_click_guard.h"
#include "widgets/step_pages.h"

#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The Traditional Chinese menu caption, kept as the Big5 bytes of "繁體中文".
const char kTraditionalCaption[] = "\xc1\x63\xc5\xe9\xa4\xa4\xa4\xe5";

} // namespace

TVelmoBalloonForm::TVelmoBalloonForm(TUiServices& Services, QWidget* parent)
    : QMainWindow(parent), services_(Services) {
    resize(760, 580);
    setMinimumSize(720, 540);
    setObjectName(QStringLiteral("VelmoBalloonForm"));

    auto* central = new QWidget(this);
    setCentralWidget(central);

    PageControl1 = makeNamed<TStepPages>(central, "PageControl1");
    TabSheet1 = makeNamed<TCanvasStep>(PageControl1, "TabSheet1", State, services_);
    TabSheet2 = makeNamed<TComposeStep>(PageControl1, "TabSheet2", State, services_, History,
                                        Snapshots);
    TabSheet3 = makeNamed<TPrintStep>(PageControl1, "TabSheet3", State, services_);
    PageControl1->addTab(TabSheet1, QString());
    PageControl1->addTab(TabSheet2, QString());
    PageControl1->addTab(TabSheet3, QString());

    // Step 2: the design, its rulers and the layer list.
    ScrollBox1 = TabSheet2->ScrollBox1;
    lxImg = TabSheet2->lxImg;
    Image2 = TabSheet2->Image2;
    Button4 = TabSheet2->Button4;
    connect(TabSheet2, &TComposeStep::CaptionSuffixChanged, this,
            [this](const QString& suffix) { setWindowTitle(LangText(51) + suffix); });

    // The language button sits at the window's top right.
    Button2 = makeNamed<QPushButton>(PageControl1, "Button2", QStringLiteral("&Language"));
    PageControl1->setCornerWidget(Button2, Qt::TopRightCorner);
    PopupMenu5 = makeNamed<QMenu>(this, "PopupMenu5");
    auto* languages = new QActionGroup(this);
    N10 = named(PopupMenu5->addAction(QStringLiteral("简体中文")), "N10");
    N11 = named(PopupMenu5->addAction(lx::fromBig5(kTraditionalCaption)), "N11");
    English1 = named(PopupMenu5->addAction(QStringLiteral("English")), "English1");
    for (QAction* a : {N10, N11, English1}) {
        a->setCheckable(true);
        languages->addAction(a);
    }
    connect(N10, &QAction::triggered, this, &TVelmoBalloonForm::N10Click);
    connect(N11, &QAction::triggered, this, &TVelmoBalloonForm::N11Click);
    connect(English1, &QAction::triggered, this, &TVelmoBalloonForm::English1Click);
    connect(Button2, &QPushButton::clicked, this, &TVelmoBalloonForm::Button2Click);
    connect(Button4, &QPushButton::clicked, this, &TVelmoBalloonForm::Button4Click);

    // The bottom bar, with the thin progress bar along its bottom edge.
    Panel1 = makeNamed<QWidget>(central, "Panel1");
    BitBtn2 = makeNamed<QPushButton>(Panel1, "BitBtn2");
    BitBtn13 = makeNamed<QPushButton>(Panel1, "BitBtn13");
    BitBtn15 = makeNamed<QPushButton>(Panel1, "BitBtn15");
    BitBtn26 = makeNamed<QPushButton>(Panel1, "BitBtn26");
    Button3 = makeNamed<QPushButton>(Panel1, "Button3");
    BitBtn3 = makeNamed<QPushButton>(Panel1, "BitBtn3");
    BitBtn4 = makeNamed<QPushButton>(Panel1, "BitBtn4");
    BitBtn10 = makeNamed<QPushButton>(Panel1, "BitBtn10");
    BitBtn11 = makeNamed<QPushButton>(Panel1, "BitBtn11");
    Pb1 = makeNamed<QProgressBar>(Panel1, "Pb1");
    Pb1->setTextVisible(false);
    Pb1->setMaximumHeight(4);
    Pb1->setRange(0, 10000);
    // The bar keeps its room while hidden, so showing it moves nothing.
    QSizePolicy keepRoom = Pb1->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    Pb1->setSizePolicy(keepRoom);
    Pb1->hide();
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BitBtn2, BitBtn13, BitBtn15, BitBtn26, Button3})
        buttons->addWidget(b);
    buttons->addStretch(1);
    for (QPushButton* b : {BitBtn3, BitBtn4, BitBtn10, BitBtn11})
        buttons->addWidget(b);
    auto* bar = new QVBoxLayout(Panel1);
    bar->setContentsMargins(0, 4, 0, 0);
    bar->addLayout(buttons);
    bar->addWidget(Pb1);
    connect(BitBtn4, &QPushButton::clicked, this, &TVelmoBalloonForm::BitBtn4Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TVelmoBalloonForm::BitBtn2Click);
    connect(BitBtn11, &QPushButton::clicked, this, [this] { BitBtn11Click(); });
    connect(BitBtn13, &QPushButton::clicked, this, &TVelmoBalloonForm::BitBtn13Click);
    connect(BitBtn10, &QPushButton::clicked, this, &TVelmoBalloonForm::BitBtn10Click);
    TabSheet3->PrintButton = BitBtn10;
    // A design named on the command line opens as the open command opens it.
    OpenDesign = [this](const QString& File) { return LoadDesign(File); };
    TabSheet3->SaveFirst = [this] { BitBtn11Click(); };
    // The layer commands of the bottom bar act on step 2's selected layer.
    connect(Button3, &QPushButton::clicked, this, [this] {
        if (TabSheet2->ListView1->currentRow() >= 0) TabSheet2->DelLayer(lxImg->CurrLayerID);
    });
    connect(BitBtn15, &QPushButton::clicked, TabSheet2, &TComposeStep::N16Click);
    connect(BitBtn26, &QPushButton::clicked, TabSheet2, &TComposeStep::BitBtn7Click);
    connect(TabSheet2, &TComposeStep::SelectedKindChanged, this, [this] { updateButtons(); });
    // Picture files can be dropped anywhere on the window.
    setAcceptDrops(true);
    connect(BitBtn3, &QPushButton::clicked, this, &TVelmoBalloonForm::BitBtn3Click);
    BitBtn4->setDefault(true);
    StepGuard = new TStepClickGuard(this);
    // Enter in a size edit presses the default button, as in a dialog.
    connect(TabSheet1, &TCanvasStep::SizeEntered, BitBtn4, &QPushButton::click);
    qtTranslations_ = new TQtTranslations(this);

    auto* page = new QVBoxLayout(central);
    page->addWidget(PageControl1, 1);
    page->addWidget(Panel1);

    // Engine events: the progress bar follows long operations.
    lxImg->OnShowProgressBox = [this](TlxImage*, int, int value) { lxImgShowProgressBox(value); };
    lxImg->OnProgress = [this](TlxImage*, int max, int value) { lxImgProgress(max, value); };

    // The shape guide's marching ants.
    Timer1 = new QTimer(this);
    Timer1->setInterval(250);
    connect(Timer1, &QTimer::timeout, this, [this] {
        if (CurrentStep() == 1 && lxImg->HasSelection) lxImg->DrawSelectionOutline();
    });
    Timer1->start();

    // The language follows the system's.
    setLanguage(LanguageForLocale(QLocale()));
    showStep(0);
}

TVelmoBalloonForm::~TVelmoBalloonForm() = default;

int TVelmoBalloonForm::CurrentStep() const {
    return PageControl1->currentIndex();
}

void TVelmoBalloonForm::showStep(int step) {
    PageControl1->ShowStep(step);
    updateButtons();
}

// What the bottom bar offers on each step.
void TVelmoBalloonForm::updateButtons() {
    const int step = CurrentStep();
    BitBtn2->show();
    BitBtn13->setVisible(step == 2);
    // Delete serves any selected layer, precise resize pictures only,
    // editing again texts only.
    const TComposeStep::TSelectedKind kind =
        step == 1 ? TabSheet2->SelectedKind() : TComposeStep::NoLayer;
    Button3->setVisible(kind != TComposeStep::NoLayer);
    BitBtn15->setVisible(kind == TComposeStep::PictureLayer);
    BitBtn26->setVisible(kind == TComposeStep::TextLayer);
    if (kind == TComposeStep::TextLayer) {
        Button3->setText(LangText(243));
        Button3->setToolTip(LangText(272));
    } else {
        Button3->setText(LangText(242));
        Button3->setToolTip(LangText(273));
    }
    BitBtn10->setVisible(step == 2);
    BitBtn11->setVisible(step == 2);
    BitBtn3->setVisible(step > 0);
    BitBtn4->setVisible(step < 2);
    Button4->setVisible(step == 1);
}

void TVelmoBalloonForm::LoadResString(int Base) {
    LangBase = Base;
    PageControl1->setTabText(0, LangText(1));
    PageControl1->setTabText(1, LangText(step2Entered_ ? 262 : 2));
    PageControl1->setTabText(2, LangText(259));
    BitBtn2->setText(LangText(4));
    BitBtn3->setText(LangText(5));
    BitBtn4->setText(LangText(6));
    BitBtn10->setText(LangText(7));
    BitBtn11->setText(LangText(8));
    BitBtn13->setText(LangText(120));
    BitBtn15->setText(LangText(121));
    // Copies the step's own re-edit button.
    BitBtn26->setText(LangText(20));
    Button4->setText(LangText(269));
    TabSheet1->Recaption();
    TabSheet2->Recaption();
    TabSheet3->Recaption();
    updateButtons();
    // Captions that depend on the selected layer's kind follow the language.
    if (TabSheet2->ListView1->currentRow() >= 0)
        TabSheet2->ListView1SelectItem(TabSheet2->ListView1->currentRow(), true);
    setWindowTitle(LangText(51));
}

void TVelmoBalloonForm::N10Click() {
    setLanguage(LangSimplified);
}

void TVelmoBalloonForm::N11Click() {
    setLanguage(LangTraditional);
}

void TVelmoBalloonForm::English1Click() {
    setLanguage(LangEnglish);
}

void TVelmoBalloonForm::setLanguage(int Base) {
    qtTranslations_->Use(Base);
    LoadResString(Base);
    QAction* item = Base == LangSimplified ? N10 : Base == LangTraditional ? N11 : English1;
    item->setChecked(true);
    RefBkimage();
    TabSheet1->LoadTemplet();
}

void TVelmoBalloonForm::Button2Click() {
    PopupMenu5->popup(Button2->mapToGlobal(Button2->rect().bottomLeft()));
}

void TVelmoBalloonForm::Button4Click() {
    const QString folder = velmo::HelpFolder();
    QString page = QStringLiteral("english/index.htm");
    if (N11->isChecked()) page = QStringLiteral("big5/index.htm");
    if (N10->isChecked()) page = QStringLiteral("index.htm");
    services_.OpenHelp(QUrl::fromLocalFile(QDir(folder).filePath(page)));
}

void TVelmoBalloonForm::RefBkimage() {
    const QColor face = palette().color(QPalette::Button);
    const QImage decoration = velmo::Decoration(102);
    if (!decoration.isNull())
        Image2->setPixmap(QPixmap::fromImage(ComposeOverFace(decoration, face)));
    const QImage beside = velmo::Decoration(103);
    if (!beside.isNull())
        TabSheet2->Image4->setPixmap(QPixmap::fromImage(ComposeOverFace(beside, face)));
}

void TVelmoBalloonForm::BitBtn4Click() {
    if (!StepGuard->Accept()) return;
    setWindowTitle(LangText(51));
    if (CurrentStep() == 1) {
        // The design flattened and laid out on the printer page.
        showStep(2);
        if (!TabSheet3->No2(*lxImg)) {
            showStep(1);
            return;
        }
        Button3->hide();
        ShowBalloonTip(TabSheet3->Button1, QStringLiteral("Hint"), LangText(274), 0, 0);
        StepGuard->StepChanged();
        return;
    }
    if (CurrentStep() != 0) return;
    if (!TabSheet1->No1(*lxImg)) return;
    step2Entered_ = true;
    PageControl1->setTabText(1, LangText(262));
    showStep(1);
    lxImg->CanReDraw = true;
    TabSheet2->RebuildLayerList();
    ShowAll();
    insertPendingDrop();
    // The guide's ants start moving at once.
    if (lxImg->HasSelection) lxImg->DrawSelectionOutline();
    StepGuard->StepChanged();
}

void TVelmoBalloonForm::BitBtn3Click() {
    if (!StepGuard->Accept()) return;
    HideBalloonTip();
    setWindowTitle(LangText(51));
    if (CurrentStep() == 2) {
        showStep(1);
        insertPendingDrop();
    } else if (CurrentStep() == 1) {
        showStep(0);
        TabSheet2->ClearHistory();
    } else {
        return;
    }
    StepGuard->StepChanged();
}

void TVelmoBalloonForm::ShowAll() {
    TabSheet2->N1Click();
}

void TVelmoBalloonForm::FinishDropped(const QStringList& Files) {
    if (Files.isEmpty()) return;
    // Before step 2 has a design to take it (and while the design is laid
    // out for printing), the picture waits for step 2.
    if (CurrentStep() != 1) {
        PendingDrop = Files.front();
        return;
    }
    PendingDrop.clear();
    TabSheet2->FinishDropped(Files);
}

void TVelmoBalloonForm::insertPendingDrop() {
    if (PendingDrop.isEmpty() || CurrentStep() != 1) return;
    const QString file = PendingDrop;
    PendingDrop.clear();
    TabSheet2->FinishDropped({file});
}

void TVelmoBalloonForm::dragEnterEvent(QDragEnterEvent* event) {
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    event->ignore();
}

void TVelmoBalloonForm::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    FinishDropped(files);
}

void TVelmoBalloonForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The gradient definitions the layer style dialog offers, read once the
    // window first shows (their file is made from the defaults if missing).
    if (!gradientsLoaded_) {
        gradientsLoaded_ = true;
        TabSheet2->LoadJbColors();
    }
}

void TVelmoBalloonForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (CurrentStep() == 1 && TabSheet2->ShowsAll())
        QTimer::singleShot(0, this, &TVelmoBalloonForm::ShowAll);
}

void TVelmoBalloonForm::lxImgShowProgressBox(int ProgressValue) {
    Pb1->setMaximum(10000);
    Pb1->setVisible(ProgressValue == 1);
}

void TVelmoBalloonForm::lxImgProgress(int MaxValue, int ProgressValue) {
    if (MaxValue == 0) return; // nothing sensible to show
    const int position = RoundEven(double(ProgressValue) / MaxValue * 10000);
    Pb1->setMaximum(10000);
    Pb1->setValue(std::clamp(position, 0, 10000));
    // Let the bar repaint now and then during a long operation.
    if (position % 200 == 0) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
