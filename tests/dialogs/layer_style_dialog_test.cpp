// The layer style dialog on a real document: a 60 x 40 bitmap layer whose
// opaque part is the rectangle (10, 10) .. (49, 29), edited through the
// dialog's named controls.

#include "PBColor.h"
#include "dialog_services.h"
#include "dialog_test_support.h"
#include "layer_style_dialog.h"
#include "lxImagevcl.h"
#include "program_strings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSlider>

#include <cstring>
#include <memory>

namespace {

class TStyleServices final : public TDialogServices {
public:
    QColor Answer;
    int ColourQuestions = 0;
    int RunModal(QDialog&) override { return QDialog::Rejected; }
    QMessageBox::StandardButton ShowMessage(QWidget*, const QString&, QMessageBox::Icon,
                                            QMessageBox::StandardButtons) override {
        return QMessageBox::Ok;
    }
    QColor ChooseColour(QWidget*, const QColor&) override {
        ++ColourQuestions;
        return Answer;
    }
    void OpenHelp(const QUrl&) override {}
};

template <class R> bool sameBytes(const R& A, const R& B) {
    return std::memcmp(&A, &B, sizeof(R)) == 0;
}

// The centre of a slider's handle, where a user grabs it.
QPoint handleCentre(QSlider* S) {
    QStyleOptionSlider option;
    option.initFrom(S);
    option.subControls = QStyle::SC_All;
    option.orientation = S->orientation();
    option.minimum = S->minimum();
    option.maximum = S->maximum();
    option.sliderPosition = S->sliderPosition();
    option.sliderValue = S->value();
    option.singleStep = S->singleStep();
    option.pageStep = S->pageStep();
    option.tickPosition = S->tickPosition();
    option.tickInterval = S->tickInterval();
    option.upsideDown = false;
    return S->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, S)
        .center();
}

// Grabs the handle, drags it right in three steps and lets go.
void dragRight(QSlider* S, int Pixels) {
    const QPoint from = handleCentre(S);
    QTest::mousePress(S, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 3; ++step)
        QTest::mouseMove(S, from + QPoint(Pixels * step / 3, 0));
    QTest::mouseRelease(S, Qt::LeftButton, {}, from + QPoint(Pixels, 0));
    QCoreApplication::processEvents();
}

class LayerStyleDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(doc.NewImage(true, lxRGB(255, 255, 255), 24, 200, 160));
        QImage picture(60, 40, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        for (int y = 10; y < 30; ++y)
            for (int x = 10; x < 50; ++x)
                picture.setPixel(x, y, qRgba(200, 40, 40, 255));
        ASSERT_TRUE(doc.AddBitmapLayer(picture));
        doc.Layers[size_t(doc.CurrLayerID)].Left = 70;
        doc.Layers[size_t(doc.CurrLayerID)].Top = 60;
        ASSERT_TRUE(doc.ReDraw());
    }

    TLayerStyleHooks hooks() {
        TLayerStyleHooks h;
        h.Gradients = &gradients;
        h.Recompose = [this] {
            ++recomposes;
            doc.ReDraw();
        };
        return h;
    }

    std::unique_ptr<TForm63> open(TLayerStyleHooks Hooks) {
        auto dialog = std::make_unique<TForm63>(services, doc, std::move(Hooks));
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    std::unique_ptr<TForm63> open() { return open(hooks()); }

    int index() const { return doc.CurrLayerID; }
    TlxLayer& layer() { return doc.Layers[size_t(doc.CurrLayerID)]; }
    TlxLayerStyle& style() { return layer().Style; }

    bool presetDropShadow(int X, int Y, int Spread, int Size) {
        TlxImage::ContourPointArray points{};
        TlxImage::ContourTableArray table{};
        return doc.SetDropShadow(index(), 9, 75, X, Y, Spread, Size, 0x112233, false, 0, points,
                                 table);
    }
    bool presetStroke(int Softness, int Size) {
        TlxImage::ContourPointArray points{};
        TlxImage::ContourTableArray table{};
        return doc.SetStroke(index(), 0, 100, Softness, Size, 0x0000FF, false, 0, points, table);
    }

    static void clickCaption(TForm63& D, const char* Name) {
        QLabel* caption = child<QLabel>(D, Name);
        QTest::mouseClick(caption, Qt::LeftButton, {}, QPoint(4, caption->height() / 2));
    }

    TlxImageVcl doc;
    TStyleServices services;
    std::vector<TColorlistSrcd> gradients;
    int recomposes = 0;
};

// ------------------------------------------------------------ opening

TEST_F(LayerStyleDialogTest, OpensOnBlendingOptionsWithTheDefaultsAndOkKeepsTheStyle) {
    const TlxLayerStyle before = style();
    auto d = open();
    EXPECT_EQ(d->SelectedRow(), TForm63::RowBlending);
    EXPECT_TRUE(child<QGroupBox>(*d, "GroupBox1")->isVisible());
    for (const char* name : {"GroupBox2", "GroupBox3", "GroupBox4", "GroupBox5", "GroupBox6",
                             "GroupBox7", "GroupBox8", "GroupBox10", "GroupBox11"})
        EXPECT_FALSE(child<QGroupBox>(*d, name)->isVisible()) << name;
    for (const char* name : {"Ck1", "Ck2", "Ck3", "Ck4", "Ck5", "Ck6", "Ck7", "Ck8", "Ck9"})
        EXPECT_FALSE(child<QCheckBox>(*d, name)->isChecked()) << name;
    // The page defaults.
    const struct {
        const char* Name;
        int Value;
    } boxes[] = {{"Cb1", 0},  {"Cb2", 9},  {"Cb6", 9},  {"Cb3", 16}, {"CB5", 16},
                 {"Cb7", 16}, {"Cb8", 9},  {"Cb12", 0}, {"Cb9", 0},  {"Cb13", 0},
                 {"Cb14", 0}, {"Cb15", 0}, {"Cb4", 0},  {"Cb16", 0}};
    for (const auto& b : boxes)
        EXPECT_EQ(child<QComboBox>(*d, b.Name)->currentIndex(), b.Value) << b.Name;
    const struct {
        const char* Name;
        int Value;
    } sliders[] = {{"Tb1", 100}, {"Tb2", 75},   {"Tb3", 5},    {"Tb4", 5},    {"Tb5", 5},
                   {"Tb6", 0},   {"Tb16", 75},  {"Tb17", 5},   {"Tb18", 5},   {"Tb19", 5},
                   {"Tb20", 0},  {"Tb7", 75},   {"Tb8", 5},    {"Tb9", 0},    {"Tb13", 75},
                   {"Tb14", 5},  {"Tb15", 0},   {"TB21", 75},  {"Tb26", 75},  {"Tb22", 5},
                   {"Tb23", 5},  {"Tb24", 5},   {"TB27", 0},   {"Tb25", 100}, {"Tb28", 100},
                   {"Tb29", 45}, {"Tb30", 100}, {"Tb32", 100}, {"Tb10", 100}, {"Tb11", 3},
                   {"Tb12", 0},  {"TB31", 45}};
    for (const auto& s : sliders) {
        EXPECT_EQ(child<QSlider>(*d, s.Name)->value(), s.Value) << s.Name;
        const QByteArray spin = "SpinEdit" + QByteArray(s.Name).mid(2);
        EXPECT_EQ(child<QSpinBox>(*d, spin.constData())->value(), s.Value) << spin.constData();
    }
    // The offsets reach as far as the layer is wide and high.
    EXPECT_EQ(child<QSlider>(*d, "Tb3")->minimum(), -60);
    EXPECT_EQ(child<QSlider>(*d, "Tb22")->maximum(), 60);
    EXPECT_EQ(child<QSpinBox>(*d, "SpinEdit18")->maximum(), 40);
    const struct {
        const char* Name;
        uint32_t Colour;
    } swatches[] = {{"PBColor2", 0x000000}, {"PBColor6", 0x000000}, {"PBColor3", 0xBEFFFF},
                    {"PBColor5", 0xBEFFFF}, {"PBColor7", 0xFFFFFF}, {"PBColor8", 0x000000},
                    {"PBColor9", 0x0000FF}, {"PBColor4", 0x0000FF}};
    for (const auto& s : swatches)
        EXPECT_EQ(child<TPBColor>(*d, s.Name)->selColor(), s.Colour) << s.Name;
    EXPECT_TRUE(child<QCheckBox>(*d, "CheckBox2")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(*d, "Rb2")->isChecked());
    // The diagonal's angle shows only for kind 4.
    EXPECT_FALSE(child<QSlider>(*d, "Tb29")->isVisibleTo(child<QGroupBox>(*d, "GroupBox10")));
    // Opening applies nothing.
    EXPECT_EQ(recomposes, 0);
    EXPECT_EQ(d->RebuildCount(), 0);

    clickAtLeft(child<QPushButton>(*d, "BitBtn1"));
    EXPECT_EQ(d->result(), QDialog::Accepted);
    const TlxLayerStyle& after = style();
    EXPECT_FALSE(after.DropShadowOn || after.InnerShadowOn || after.OuterGlowOn ||
                 after.InnerGlowOn || after.BevelOn || after.ColorOverlayOn ||
                 after.GradientOverlayOn || after.PatternOverlayOn || after.StrokeOn ||
                 after.StrokeGradientOn);
    EXPECT_TRUE(sameBytes(after.DropShadow, before.DropShadow));
    EXPECT_TRUE(sameBytes(after.Bevel, before.Bevel));
    EXPECT_TRUE(sameBytes(after.Stroke, before.Stroke));
    EXPECT_TRUE(sameBytes(after.ColorOverlay, before.ColorOverlay));
    EXPECT_DOUBLE_EQ(layer().Opacity, 1.0);
    EXPECT_EQ(layer().BlendMode, 0);
}

TEST_F(LayerStyleDialogTest, TheDropShadowCaptionBuildsTheDefaultShadow) {
    auto d = open();
    clickCaption(*d, "Label5");
    EXPECT_TRUE(child<QCheckBox>(*d, "Ck1")->isChecked());
    EXPECT_TRUE(child<QGroupBox>(*d, "GroupBox2")->isVisible());
    EXPECT_EQ(d->SelectedRow(), TForm63::RowDropShadow);
    const TlxLayerStyle& s = style();
    ASSERT_TRUE(s.DropShadowOn);
    EXPECT_EQ(s.DropShadow.BlendMode, 9);
    EXPECT_EQ(s.DropShadow.Opacity, 75);
    EXPECT_EQ(s.DropShadow.Size, 5);
    EXPECT_EQ(s.DropShadow.Spread, 0);
    EXPECT_EQ(s.DropShadow.Color, 0u);
    // Shown 5, 5 with the margin 2 x max(5, 0) = 10.
    EXPECT_EQ(s.DropShadow.DrawX, -5);
    EXPECT_EQ(s.DropShadow.DrawY, -5);
    // The mask: the layer plus 4M = 20 each way.
    EXPECT_EQ(s.DropShadowMask.size(), QSize(80, 60));
    EXPECT_EQ(d->RebuildCount(), 1);
    EXPECT_GE(recomposes, 1);
}

TEST_F(LayerStyleDialogTest, ShadowOffsetsAreShownFromTheLayerAndStoredFromTheMask) {
    ASSERT_TRUE(presetDropShadow(5, 5, 0, 5));
    ASSERT_EQ(style().DropShadow.DrawX, -5);
    auto d = open();
    EXPECT_TRUE(child<QCheckBox>(*d, "Ck1")->isChecked());
    EXPECT_EQ(child<QSlider>(*d, "Tb3")->value(), 5);
    EXPECT_EQ(child<QSlider>(*d, "Tb4")->value(), 5);
    child<QSpinBox>(*d, "SpinEdit6")->setValue(8);
    EXPECT_EQ(child<QSlider>(*d, "Tb6")->value(), 8);
    EXPECT_EQ(child<QSlider>(*d, "Tb3")->value(), 5);
    EXPECT_EQ(child<QSlider>(*d, "Tb4")->value(), 5);
    // Margin 2 x max(5, 8) = 16: 5 - 16.
    EXPECT_EQ(style().DropShadow.DrawX, -11);
    EXPECT_EQ(style().DropShadow.DrawY, -11);
    EXPECT_EQ(style().DropShadow.Spread, 8);
    EXPECT_EQ(style().DropShadowMask.size(), QSize(60 + 32, 40 + 32));
    // An offset moved afterwards is stored against the same margin without
    // a rebuild.
    const int rebuilds = d->RebuildCount();
    child<QSpinBox>(*d, "SpinEdit3")->setValue(-7);
    EXPECT_EQ(style().DropShadow.DrawX, -7 - 16);
    EXPECT_EQ(d->RebuildCount(), rebuilds);
}

TEST_F(LayerStyleDialogTest, BevelOffsetsRunBothWaysAndReopenAsShown) {
    {
        auto d = open();
        clickCaption(*d, "Label9");
        ASSERT_TRUE(style().BevelOn);
        // Size 5, spread 0: margin 10.
        EXPECT_EQ(style().Bevel.HighlightDrawX, 5 - 10);
        EXPECT_EQ(style().Bevel.ShadowDrawX, -5 - 10);
        child<QSpinBox>(*d, "SpinEdit27")->setValue(8);
        EXPECT_EQ(style().Bevel.HighlightDrawX, -11);
        EXPECT_EQ(style().Bevel.HighlightDrawY, -11);
        EXPECT_EQ(style().Bevel.ShadowDrawX, -21);
        EXPECT_EQ(style().Bevel.ShadowDrawY, -21);
        clickAtLeft(child<QPushButton>(*d, "BitBtn1"));
    }
    auto again = open();
    EXPECT_TRUE(child<QCheckBox>(*again, "Ck5")->isChecked());
    EXPECT_EQ(child<QSlider>(*again, "Tb22")->value(), 5);
    EXPECT_EQ(child<QSlider>(*again, "Tb23")->value(), 5);
    EXPECT_EQ(child<QSlider>(*again, "TB27")->value(), 8);
}

TEST_F(LayerStyleDialogTest, DraggingASizeSliderRebuildsOnceAfterTheRelease) {
    auto d = open();
    clickCaption(*d, "Label5");
    QSlider* size = child<QSlider>(*d, "Tb5");
    const int rebuilds = d->RebuildCount();
    dragRight(size, 40);
    ASSERT_GT(size->value(), 5);
    EXPECT_EQ(d->RebuildCount(), rebuilds + 1);
    const int m = std::max(size->value(), 0);
    EXPECT_EQ(style().DropShadow.Size, size->value());
    EXPECT_EQ(style().DropShadowMask.size(), QSize(60 + 4 * m, 40 + 4 * m));
    EXPECT_EQ(child<QSpinBox>(*d, "SpinEdit5")->value(), size->value());
}

TEST_F(LayerStyleDialogTest, ArrowKeysOnASizeSliderRebuildAtEveryStep) {
    auto d = open();
    clickCaption(*d, "Label7"); // outer glow
    QSlider* size = child<QSlider>(*d, "Tb8");
    size->setFocus();
    const int rebuilds = d->RebuildCount();
    for (int k = 0; k < 3; ++k)
        QTest::keyClick(size, Qt::Key_Right);
    EXPECT_EQ(size->value(), 8);
    EXPECT_EQ(d->RebuildCount(), rebuilds + 3);
    EXPECT_EQ(style().OuterGlow.Size, 8);
    EXPECT_EQ(style().OuterGlowMask.size(), QSize(60 + 32, 40 + 32));
}

// --------------------------------------------------------------- stroke

struct SoftnessCase {
    const char* What;
    bool StrokeOnAtOpening;
    int OpeningSoftness; // with the stroke on at opening, size 3
    int UserSoftness;    // -1: the softness is never touched by the user
    std::vector<std::pair<int, int>> SizeThenSoftness;
};

void PrintTo(const SoftnessCase& C, std::ostream* Os) {
    *Os << C.What;
}

class StrokeSoftnessTest : public LayerStyleDialogTest,
                           public ::testing::WithParamInterface<SoftnessCase> {};

TEST_P(StrokeSoftnessTest, SizeChangesFollowTheSoftnessRule) {
    const SoftnessCase& c = GetParam();
    if (c.StrokeOnAtOpening) {
        ASSERT_TRUE(presetStroke(c.OpeningSoftness, 3));
    }
    auto d = open();
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    clickCaption(*d, "Label13");
    ASSERT_TRUE(style().StrokeOn);
    QSlider* softness = child<QSlider>(*d, "Tb12");
    if (c.UserSoftness >= 0) {
        softness->setFocus();
        ASSERT_TRUE(softness->hasFocus());
        while (softness->value() < c.UserSoftness)
            QTest::keyClick(softness, Qt::Key_Right);
        child<QSlider>(*d, "Tb11")->setFocus();
    }
    for (const auto& [size, expected] : c.SizeThenSoftness) {
        child<QSpinBox>(*d, "SpinEdit11")->setValue(size);
        EXPECT_EQ(softness->value(), expected) << c.What << ", size " << size;
        EXPECT_EQ(style().Stroke.Size, size) << c.What;
        EXPECT_EQ(style().Stroke.Softness, expected) << c.What;
        // The mask follows: M = size + softness.
        const int m = size + expected;
        EXPECT_EQ(style().StrokeMask.size(), QSize(60 + 4 * m, 40 + 4 * m)) << c.What;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrokeSoftnessTest,
    ::testing::Values(SoftnessCase{"untouched", false, 0, -1, {{10, 2}, {5, 0}, {8, 2}, {7, 0}}},
                      SoftnessCase{"set by the user", false, 0, 4, {{10, 4}, {5, 4}, {12, 4}}},
                      SoftnessCase{"stroke on at opening", true, 0, -1, {{10, 0}, {12, 0}}},
                      SoftnessCase{"stroke on at opening, soft", true, 3, -1, {{5, 3}, {2, 3}}}));

// ---------------------------------------------------- pages and the rows

TEST_F(LayerStyleDialogTest, OnlyTheDiagonalKindShowsTheAngle) {
    auto d = open();
    clickCaption(*d, "Label11");
    ASSERT_TRUE(style().GradientOverlayOn);
    QComboBox* kind = child<QComboBox>(*d, "Cb14");
    QSlider* angle = child<QSlider>(*d, "Tb29");
    for (int k : {4, 1, 4, 0, 2, 3}) {
        kind->setCurrentIndex(k);
        EXPECT_EQ(angle->isVisible(), k == 4) << k;
        EXPECT_EQ(child<QLabel>(*d, "Label40")->isVisible(), k == 4) << k;
        EXPECT_EQ(child<QSpinBox>(*d, "SpinEdit29")->isVisible(), k == 4) << k;
        EXPECT_EQ(style().GradientOverlay.GradientKind, k);
    }
    clickCaption(*d, "Label13");
    child<QRadioButton>(*d, "Rb1")->click();
    ASSERT_TRUE(style().StrokeGradientOn);
    child<QComboBox>(*d, "Cb16")->setCurrentIndex(4);
    EXPECT_TRUE(child<QSlider>(*d, "TB31")->isVisible());
    EXPECT_EQ(style().StrokeGradient.GradientKind, 4);
    child<QComboBox>(*d, "Cb16")->setCurrentIndex(3);
    EXPECT_FALSE(child<QSlider>(*d, "TB31")->isVisible());
    // Back to the solid colour drops the gradient fill.
    child<QRadioButton>(*d, "Rb2")->click();
    EXPECT_FALSE(style().StrokeGradientOn);
    EXPECT_TRUE(style().StrokeGradientBitmap.isNull());
}

TEST_F(LayerStyleDialogTest, RowZeroHidesThePageAndSelectsNothing) {
    auto d = open();
    clickCaption(*d, "Label5");
    TPBColor* bar = child<TPBColor>(*d, "PBColor1");
    const QPoint barAt = bar->pos();
    clickCaption(*d, "Label3");
    EXPECT_EQ(d->SelectedRow(), TForm63::RowStyles);
    for (QGroupBox* g : d->findChildren<QGroupBox*>())
        EXPECT_FALSE(g->isVisible());
    EXPECT_EQ(bar->pos(), barAt);
    // A click on the panel itself below the rows selects the stroke.
    QWidget* panel = child<QWidget>(*d, "Panel1");
    QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(70, panel->height() - 3));
    EXPECT_EQ(d->SelectedRow(), TForm63::RowStroke);
    EXPECT_TRUE(child<QCheckBox>(*d, "Ck9")->isChecked());
}

TEST_F(LayerStyleDialogTest, UntickingAnEffectSwitchesItOffAndKeepsThePage) {
    auto d = open();
    clickCaption(*d, "Label6"); // inner shadow
    ASSERT_TRUE(style().InnerShadowOn);
    child<QCheckBox>(*d, "Ck2")->click();
    EXPECT_FALSE(style().InnerShadowOn);
    EXPECT_TRUE(style().InnerShadowMask.isNull());
    EXPECT_TRUE(child<QGroupBox>(*d, "GroupBox6")->isVisible());
}

TEST_F(LayerStyleDialogTest, ColourSwatchesAskAndWriteOnlyANewColour) {
    auto d = open();
    clickCaption(*d, "Label10"); // colour overlay
    ASSERT_TRUE(style().ColorOverlayOn);
    TPBColor* swatch = child<TPBColor>(*d, "PBColor9");
    services.Answer = QColor(10, 20, 30);
    QTest::mouseClick(swatch, Qt::LeftButton);
    EXPECT_EQ(services.ColourQuestions, 1);
    EXPECT_EQ(swatch->selColor(), 0x1E140Au);
    EXPECT_EQ(style().ColorOverlay.Color, 0x1E140Au);
    const int before = recomposes;
    services.Answer = QColor(); // cancelled
    QTest::mouseClick(swatch, Qt::LeftButton);
    EXPECT_EQ(style().ColorOverlay.Color, 0x1E140Au);
    EXPECT_EQ(recomposes, before);
}

// --------------------------------------------------------------- cancel

TEST_F(LayerStyleDialogTest, CancelSwitchesOffAnEffectTickedInTheDialog) {
    auto d = open();
    clickCaption(*d, "Label7");
    ASSERT_TRUE(style().OuterGlowOn);
    clickAtLeft(child<QPushButton>(*d, "BitBtn2"));
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_FALSE(style().OuterGlowOn);
    EXPECT_TRUE(style().OuterGlowMask.isNull());
}

TEST_F(LayerStyleDialogTest, CancelRebuildsAnEffectUntickedInTheDialog) {
    ASSERT_TRUE(presetDropShadow(4, 3, 2, 6));
    const TlxShadowStyle saved = style().DropShadow;
    const QImage mask = style().DropShadowMask.copy();
    auto d = open();
    child<QCheckBox>(*d, "Ck1")->click();
    ASSERT_FALSE(style().DropShadowOn);
    QTest::keyClick(d.get(), Qt::Key_Escape);
    EXPECT_EQ(d->result(), QDialog::Rejected);
    ASSERT_TRUE(style().DropShadowOn);
    EXPECT_TRUE(sameBytes(style().DropShadow, saved));
    EXPECT_EQ(style().DropShadowMask, mask);
}

TEST_F(LayerStyleDialogTest, CancelCopiesColoursOpacitiesAndModesBackWithoutARebuild) {
    ASSERT_TRUE(presetDropShadow(4, 3, 2, 6));
    layer().Opacity = 0.8;
    const TlxShadowStyle saved = style().DropShadow;
    const qint64 maskKey = style().DropShadowMask.cacheKey();
    auto d = open();
    clickCaption(*d, "Label5");
    child<QSpinBox>(*d, "SpinEdit2")->setValue(30);
    child<QComboBox>(*d, "Cb2")->setCurrentIndex(3);
    services.Answer = QColor(255, 0, 0);
    QTest::mouseClick(child<TPBColor>(*d, "PBColor2"), Qt::LeftButton);
    ASSERT_EQ(style().DropShadow.Opacity, 30);
    ASSERT_EQ(style().DropShadow.Color, 0x0000FFu);
    clickCaption(*d, "Label4");
    child<QSpinBox>(*d, "SpinEdit1")->setValue(35);
    child<QComboBox>(*d, "Cb1")->setCurrentIndex(5);
    ASSERT_DOUBLE_EQ(layer().Opacity, 0.35);
    const int rebuilds = d->RebuildCount();
    clickAtLeft(child<QPushButton>(*d, "BitBtn2"));
    EXPECT_EQ(d->RebuildCount(), rebuilds);
    EXPECT_TRUE(sameBytes(style().DropShadow, saved));
    EXPECT_EQ(style().DropShadowMask.cacheKey(), maskKey);
    EXPECT_DOUBLE_EQ(layer().Opacity, 0.8);
    EXPECT_EQ(layer().BlendMode, 0);
}

TEST_F(LayerStyleDialogTest, CancelRebuildsASizeChangeOfAnEffectLeftOn) {
    ASSERT_TRUE(presetDropShadow(4, 3, 2, 6));
    const QImage mask = style().DropShadowMask.copy();
    auto d = open();
    child<QSpinBox>(*d, "SpinEdit5")->setValue(12);
    ASSERT_EQ(style().DropShadowMask.size(), QSize(60 + 48, 40 + 48));
    clickAtLeft(child<QPushButton>(*d, "BitBtn2"));
    EXPECT_EQ(style().DropShadow.Size, 6);
    EXPECT_EQ(style().DropShadowMask, mask);
}

TEST_F(LayerStyleDialogTest, TheCloseButtonLeavesTheEditsForTheCallersUndo) {
    auto d = open();
    clickCaption(*d, "Label7");
    ASSERT_TRUE(style().OuterGlowOn);
    d->close();
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_TRUE(style().OuterGlowOn);
}

TEST_F(LayerStyleDialogTest, TheContourButtonEditsACopyAndRebuildsWithTheNewTable) {
    TLayerStyleHooks h = hooks();
    int asked = 0;
    h.EditContour = [&asked](QWidget*, TlxContour& Contour) {
        ++asked;
        Contour.UseContour = 1;
        Contour.PointCount = 2;
        for (int i = 0; i < 256; ++i)
            Contour.Table[i] = uint8_t(255 - i);
        return true;
    };
    auto d = open(h);
    clickCaption(*d, "Label5");
    QPushButton* button = child<QPushButton>(*d, "Button3");
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->text(), ProgramText(PsStyleContour));
    const int rebuilds = d->RebuildCount();
    clickAtLeft(button);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(d->RebuildCount(), rebuilds + 1);
    EXPECT_EQ(style().DropShadow.Contour.UseContour, 1);
    EXPECT_EQ(style().DropShadow.Contour.PointCount, 2);
    EXPECT_EQ(style().DropShadow.Contour.Table[0], 255);
    EXPECT_EQ(style().DropShadow.Contour.Table[255], 0);
    // Cancel puts the contour back and rebuilds.
    clickAtLeft(child<QPushButton>(*d, "BitBtn2"));
    EXPECT_FALSE(style().DropShadowOn);
    auto plain = open();
    EXPECT_FALSE(child<QPushButton>(*plain, "Button3")->isVisibleTo(plain.get()));
}

// ----------------------------------------------------------- the layout

TEST_F(LayerStyleDialogTest, EveryPageFitsInEveryLanguage) {
    for (int base : {LangSimplified, LangTraditional, LangEnglish}) {
        TLanguageScope language(base);
        TLayerStyleHooks h = hooks();
        h.EditContour = [](QWidget*, TlxContour&) { return false; };
        TForm63 d(services, doc, h);
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        child<QComboBox>(d, "Cb14")->setCurrentIndex(4);
        child<QComboBox>(d, "Cb16")->setCurrentIndex(4);
        for (int row = TForm63::RowBlending; row < TForm63::RowCount; ++row) {
            d.Panel1MouseDown(row * TForm63::RowHeight + 5);
            expectTidyFixedLayout(d,
                                  std::string(languageName(base)) + ", row " + std::to_string(row));
            d.show();
        }
        d.BitBtn2Click();
    }
}

} // namespace
