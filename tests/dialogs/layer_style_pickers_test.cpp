// The gradient and pattern choosers of the layer style dialog, on a
// document with one 60 x 40 opaque bitmap layer.

#include "dialog_services.h"
#include "dialog_test_support.h"
#include "layer_style_dialog.h"
#include "lxImagevcl.h"
#include "program_strings.h"
#include "style_pickers.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>

#include <memory>

namespace {

class TQuietServices final : public TDialogServices {
public:
    int RunModal(QDialog&) override { return QDialog::Rejected; }
    QMessageBox::StandardButton ShowMessage(QWidget*, const QString&, QMessageBox::Icon,
                                            QMessageBox::StandardButtons) override {
        return QMessageBox::Ok;
    }
    QColor ChooseColour(QWidget*, const QColor&) override { return {}; }
    void OpenHelp(const QUrl&) override {}
};

TColorlistItem stop(uint32_t Color, double Length) {
    TColorlistItem s{};
    s.Color = Color;
    s.Length = Length;
    return s;
}

TColorlistSrcd stops(std::initializer_list<uint32_t> Colours) {
    TColorlistSrcd list;
    for (uint32_t c : Colours)
        list.Stops.push_back(stop(c, 1.0 / double(Colours.size() - 1)));
    list.Count = int(list.Stops.size());
    return list;
}

void expectStops(const TColorlistSrcd& Actual, const TColorlistSrcd& Expected) {
    ASSERT_EQ(Actual.Count, Expected.Count);
    ASSERT_EQ(Actual.Stops.size(), Expected.Stops.size());
    for (size_t i = 0; i < Actual.Stops.size(); ++i) {
        EXPECT_EQ(Actual.Stops[i].Color, Expected.Stops[i].Color) << i;
        EXPECT_DOUBLE_EQ(Actual.Stops[i].Length, Expected.Stops[i].Length) << i;
    }
}

// A BMP file of Width x Height, 32 bits, every pixel (b, g, r, a).
QByteArray bmp32(int Width, int Height, uint8_t B, uint8_t G, uint8_t R, uint8_t A) {
    QByteArray f;
    auto le = [&f](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            f.append(char((v >> (8 * i)) & 0xFF));
    };
    const uint32_t pixels = uint32_t(Width * Height * 4);
    f.append("BM");
    le(54 + pixels, 4);
    le(0, 4);
    le(54, 4);
    le(40, 4);
    le(uint32_t(Width), 4);
    le(uint32_t(Height), 4);
    le(1, 2);
    le(32, 2);
    le(0, 4);
    le(pixels, 4);
    le(2835, 4);
    le(2835, 4);
    le(0, 4);
    le(0, 4);
    for (int i = 0; i < Width * Height; ++i) {
        f.append(char(B));
        f.append(char(G));
        f.append(char(R));
        f.append(char(A));
    }
    return f;
}

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
    return S->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, S)
        .center();
}

class LayerStylePickersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(doc.NewImage(true, lxRGB(255, 255, 255), 24, 120, 100));
        QImage picture(60, 40, QImage::Format_RGB32);
        picture.fill(qRgb(90, 140, 200));
        ASSERT_TRUE(doc.AddBitmapLayer(picture));
        ASSERT_TRUE(files.isValid());
    }

    TLayerStyleHooks hooks() {
        TLayerStyleHooks h;
        h.Gradients = &gradients;
        h.Recompose = [this] { doc.ReDraw(); };
        h.EditGradient = [this](QWidget*) {
            ++editorRuns;
            if (editorAnswer && *editorAnswer == -1) gradients.push_back(appended);
            return editorAnswer;
        };
        h.ChoosePatternFile = [this](QWidget*, const QString& Filter) {
            filters << Filter;
            return chosenFile;
        };
        return h;
    }

    std::unique_ptr<TForm63> open() {
        auto d = std::make_unique<TForm63>(services, doc, hooks());
        d->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(d.get()));
        return d;
    }

    TlxLayerStyle& style() { return doc.Layers[size_t(doc.CurrLayerID)].Style; }

    QString writeFile(const QString& Name, const QByteArray& Bytes) {
        const QString path = files.filePath(Name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Bytes);
        return path;
    }

    TlxImageVcl doc;
    TQuietServices services;
    std::vector<TColorlistSrcd> gradients;
    std::optional<int> editorAnswer;
    TColorlistSrcd appended;
    int editorRuns = 0;
    QString chosenFile;
    QStringList filters;
    QTemporaryDir files;
};

// ---------------------------------------------------------------- gradients

TEST_F(LayerStylePickersTest, WithoutDefinitionsBothListsHoldTheTwoTextEntries) {
    auto d = open();
    EXPECT_EQ(child<QListWidget>(*d, "ListView1")->count(), 2);
    EXPECT_EQ(child<QListWidget>(*d, "ListView3")->count(), 2);
    expectStops(d->OverlayStops(), stops({0xFFFFFF, 0x000000}));
    expectStops(d->StrokeStops(), stops({0x000000, 0xFFFFFF}));
    EXPECT_EQ(child<QListWidget>(*d, "ListView1")->currentRow(), 1);
    ASSERT_EQ(d->GradientThumbnails().size(), 2u);
    for (const QImage& t : d->GradientThumbnails()) {
        EXPECT_EQ(t.size(), QSize(186, 18));
        EXPECT_EQ(t.depth(), 24);
        // White, with the text somewhere right of and below (2, 2).
        EXPECT_EQ(t.pixel(0, 0), qRgb(255, 255, 255));
        EXPECT_EQ(t.pixel(185, 17), qRgb(255, 255, 255));
    }
}

TEST_F(LayerStylePickersTest, TheFirstDefinitionIsTheDefaultAndDrawnAsARamp) {
    gradients = {stops({0x0000FF, 0xFF0000}), stops({0x00FF00, 0x000000, 0xFFFFFF}),
                 stops({0x112233, 0x445566})};
    auto d = open();
    EXPECT_EQ(child<QListWidget>(*d, "ListView1")->count(), 5);
    EXPECT_EQ(child<QListWidget>(*d, "ListView1")->currentRow(), 2);
    expectStops(d->OverlayStops(), gradients[0]);
    expectStops(d->StrokeStops(), gradients[0]);
    // One segment over the whole width: red at line 0, blue at line 185,
    // and at line 93 N(255 x 93 / 185) = 128 of blue, N(255 - 128.19) = 127 of red.
    const QImage& ramp = d->GradientThumbnails()[2];
    EXPECT_EQ(ramp.pixel(0, 9), qRgb(255, 0, 0));
    EXPECT_EQ(ramp.pixel(185, 9), qRgb(0, 0, 255));
    EXPECT_EQ(ramp.pixel(93, 9), qRgb(127, 0, 128));
}

TEST_F(LayerStylePickersTest, TheEditorEntryFollowsWhatTheEditorAnswers) {
    gradients = {stops({0x0000FF, 0xFF0000}), stops({0x00FF00, 0x000000, 0xFFFFFF}),
                 stops({0x112233, 0x445566})};
    auto d = open();
    QTest::mouseClick(child<QLabel>(*d, "Label11"), Qt::LeftButton); // gradient overlay
    ASSERT_TRUE(style().GradientOverlayOn);
    // Cancelled: the white-and-black entry.
    editorAnswer = std::nullopt;
    d->Selectjbs(0);
    EXPECT_EQ(editorRuns, 1);
    EXPECT_EQ(child<QListWidget>(*d, "ListView1")->currentRow(), 1);
    expectStops(d->OverlayStops(), stops({0xFFFFFF, 0x000000}));
    EXPECT_EQ(style().GradientOverlay.Stops[0].Color, 0xFFFFFFu);
    // An unchanged copy of definition 3: entry 4, nothing appended.
    editorAnswer = 3;
    d->Selectjbs(0);
    EXPECT_EQ(child<QListWidget>(*d, "ListView1")->currentRow(), 4);
    EXPECT_EQ(gradients.size(), 3u);
    expectStops(d->OverlayStops(), gradients[2]);
    EXPECT_EQ(style().GradientOverlay.StopCount, 2);
    EXPECT_EQ(style().GradientOverlay.Stops[1].Color, 0x445566u);
    // A new definition: the lists are rebuilt and its entry chosen.
    appended = stops({0x0A0B0C, 0x0D0E0F, 0x101112});
    editorAnswer = -1;
    d->Selectjbs(0);
    EXPECT_EQ(child<QListWidget>(*d, "ListView1")->count(), 6);
    EXPECT_EQ(child<QListWidget>(*d, "ListView3")->count(), 6);
    EXPECT_EQ(child<QListWidget>(*d, "ListView1")->currentRow(), 5);
    expectStops(d->OverlayStops(), appended);
}

TEST_F(LayerStylePickersTest, TheListOpensUnderTheSwatchAndAClickChoosesForTheShownPage) {
    gradients = {stops({0x0000FF, 0xFF0000}), stops({0x00FF00, 0x000000, 0xFFFFFF})};
    auto d = open();
    QTest::mouseClick(child<QLabel>(*d, "Label13"), Qt::LeftButton); // stroke
    clickAtLeft(child<QPushButton>(*d, "Button2"));
    QListWidget* list = child<QListWidget>(*d, "ListView3");
    ASSERT_TRUE(list->isVisible());
    EXPECT_GT(list->y(), child<QLabel>(*d, "Image3")->y());
    QListWidgetItem* item = list->item(3);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    EXPECT_FALSE(list->isVisible());
    expectStops(d->StrokeStops(), gradients[1]);
    // The overlay kept its own choice.
    expectStops(d->OverlayStops(), gradients[0]);
}

TEST_F(LayerStylePickersTest, OpeningLoadsTheLayersGradientsAndSelectsNoEntry) {
    gradients = {stops({0x0000FF, 0xFF0000})};
    const TColorlistSrcd overlay = stops({0x010203, 0x040506, 0x070809});
    const TColorlistSrcd stroke = stops({0x0A0A0A, 0xF0F0F0});
    TlxImage::ContourPointArray points{};
    TlxImage::ContourTableArray table{};
    ASSERT_TRUE(doc.SetGradientOverlay(doc.CurrLayerID, 4, 70, 4, overlay, true, 120));
    ASSERT_TRUE(doc.SetStroke(doc.CurrLayerID, 0, 100, 0, 4, 0x0000FF, false, 0, points, table));
    style().Stroke.Position = 2;
    ASSERT_TRUE(doc.SetGradientStroke(doc.CurrLayerID, 3, stroke, false, 45));
    auto d = open();
    EXPECT_TRUE(child<QCheckBox>(*d, "Ck7")->isChecked());
    EXPECT_EQ(child<QComboBox>(*d, "Cb13")->currentIndex(), 4);
    EXPECT_EQ(child<QSlider>(*d, "Tb28")->value(), 70);
    EXPECT_EQ(child<QComboBox>(*d, "Cb14")->currentIndex(), 4);
    EXPECT_EQ(child<QSlider>(*d, "Tb29")->value(), 120);
    EXPECT_TRUE(child<QCheckBox>(*d, "Ck12")->isChecked());
    expectStops(d->OverlayStops(), overlay);
    EXPECT_EQ(child<QListWidget>(*d, "ListView1")->currentRow(), -1);
    EXPECT_TRUE(child<QRadioButton>(*d, "Rb1")->isChecked());
    EXPECT_EQ(child<QComboBox>(*d, "Cb16")->currentIndex(), 3);
    expectStops(d->StrokeStops(), stroke);
    // The stroke keeps its position through a rebuild; the softness is left
    // alone because the stroke was on at opening.
    child<QSpinBox>(*d, "SpinEdit11")->setValue(9);
    EXPECT_EQ(style().Stroke.Position, 2);
    EXPECT_EQ(style().Stroke.Softness, 0);
    EXPECT_TRUE(style().StrokeGradientOn);
    EXPECT_EQ(style().StrokeGradientBitmap.size(), style().StrokeMask.size());
}

TEST_F(LayerStylePickersTest, TheOverlayListOpensJustBelowTheSwatchAndClosesAgain) {
    auto d = open();
    QTest::mouseClick(child<QLabel>(*d, "Label11"), Qt::LeftButton);
    QLabel* swatch = child<QLabel>(*d, "Image1");
    QListWidget* list = child<QListWidget>(*d, "ListView1");
    clickAtLeft(child<QPushButton>(*d, "Button1"));
    ASSERT_TRUE(list->isVisible());
    const QPoint corner = swatch->mapTo(child<QGroupBox>(*d, "GroupBox10"), QPoint(0, 0));
    EXPECT_EQ(list->x(), corner.x());
    EXPECT_EQ(list->y(), corner.y() + swatch->height() + 4);
    // A click on the swatch closes it; another opens it; the page's free
    // area acts as a click in the list.
    QTest::mouseClick(swatch, Qt::LeftButton);
    EXPECT_FALSE(list->isVisible());
    QTest::mouseClick(swatch, Qt::LeftButton);
    EXPECT_TRUE(list->isVisible());
    QGroupBox* page = child<QGroupBox>(*d, "GroupBox10");
    QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(page->width() - 5, page->height() - 5));
    EXPECT_FALSE(list->isVisible());
}

TEST_F(LayerStylePickersTest, LongStopListsAreCutToTheFirstFiftyAndTheLast) {
    TColorlistSrcd many;
    for (int i = 0; i < 60; ++i)
        many.Stops.push_back(stop(uint32_t(i), 1.0 / 59));
    many.Count = 60;
    const TColorlistSrcd cut = KeepFirstAndLastStops(many);
    ASSERT_EQ(cut.Count, 51);
    EXPECT_EQ(cut.Stops[49].Color, 49u);
    EXPECT_EQ(cut.Stops[50].Color, 59u);
    gradients = {many};
    auto d = open();
    QTest::mouseClick(child<QLabel>(*d, "Label11"), Qt::LeftButton);
    EXPECT_EQ(style().GradientOverlay.StopCount, 51);
    EXPECT_EQ(style().GradientOverlay.Stops[50].Color, 59u);
}

// ----------------------------------------------------------------- patterns

TEST_F(LayerStylePickersTest, TheBuiltInPatternsAreListedAndTheFirstIsChosen) {
    auto d = open();
    QListWidget* list = child<QListWidget>(*d, "ListView2");
    ASSERT_EQ(list->count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list->item(i)->text(), QStringLiteral("Design%1").arg(i + 1));
    EXPECT_EQ(d->WorkingPattern().size(), QSize(128, 128));
    EXPECT_EQ(d->WorkingPattern().depth(), 24);
    EXPECT_EQ(child<QLabel>(*d, "Label42")->text(), QStringLiteral("design size: 128x128 pixel"));
}

TEST_F(LayerStylePickersTest, TheThirdPatternsLabelDependsOnTheScaleItHad) {
    TLanguageScope language(LangSimplified);
    auto d = open();
    d->SelectDesign(2);
    EXPECT_EQ(d->WorkingPattern().size(), QSize(16, 16));
    EXPECT_EQ(child<QLabel>(*d, "Label42")->text(), QStringLiteral("design size: 16x16 pixel"));
    child<QSpinBox>(*d, "SpinEdit32")->setValue(250);
    EXPECT_EQ(child<QLabel>(*d, "Label42")->text(), QString::fromUtf8("图案尺寸: 40x40 像素"));
    d->SelectDesign(2);
    EXPECT_EQ(child<QSlider>(*d, "Tb32")->value(), 100);
    EXPECT_EQ(child<QLabel>(*d, "Label42")->text(), QString::fromUtf8("图案尺寸: 16x16 像素"));
}

TEST_F(LayerStylePickersTest, TheScaleSizesThePatternNeverBelowOnePixel) {
    auto d = open();
    QTest::mouseClick(child<QLabel>(*d, "Label12"), Qt::LeftButton); // pattern overlay
    ASSERT_TRUE(style().PatternOverlayOn);
    EXPECT_EQ(style().PatternBitmap.size(), QSize(128, 128));
    d->SelectDesign(2);
    EXPECT_EQ(style().PatternBitmap.size(), QSize(16, 16));
    const struct {
        int Scale;
        int Side;
    } cases[] = {{1, 1}, {250, 40}, {3, 1}, {10, 2}, {1000, 160}, {109, 17}, {103, 16}};
    // 16 x 1.09 = 17.44 -> 17; 16 x 1.03 = 16.48 -> 16; 16 x 0.1 = 1.6 -> 2.
    for (const auto& c : cases) {
        child<QSpinBox>(*d, "SpinEdit32")->setValue(c.Scale);
        EXPECT_EQ(style().PatternBitmap.size(), QSize(c.Side, c.Side)) << c.Scale;
    }
    EXPECT_EQ(ScaledPatternSide(16, 1), 1);
    EXPECT_EQ(ScaledPatternSide(5, 50), 2); // 2.5 -> 2, halves to even
    EXPECT_EQ(ScaledPatternSide(7, 50), 4); // 3.5 -> 4
}

TEST_F(LayerStylePickersTest, DraggingTheScaleRebuildsOnceAfterTheRelease) {
    auto d = open();
    QTest::mouseClick(child<QLabel>(*d, "Label12"), Qt::LeftButton);
    QSlider* scale = child<QSlider>(*d, "Tb32");
    const int rebuilds = d->RebuildCount();
    const QPoint from = handleCentre(scale);
    QTest::mousePress(scale, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 3; ++step)
        QTest::mouseMove(scale, from + QPoint(15 * step, 0));
    QTest::mouseRelease(scale, Qt::LeftButton, {}, from + QPoint(45, 0));
    QCoreApplication::processEvents();
    ASSERT_GT(scale->value(), 100);
    EXPECT_EQ(d->RebuildCount(), rebuilds + 1);
    const int side = ScaledPatternSide(128, scale->value());
    EXPECT_EQ(style().PatternBitmap.size(), QSize(side, side));
}

TEST_F(LayerStylePickersTest, AThirtyTwoBitBitmapFileKeepsItsCoverage) {
    chosenFile = writeFile(QStringLiteral("tile.bmp"), bmp32(3, 2, 10, 20, 30, 128));
    ASSERT_EQ(GetBitmapfileBit(chosenFile), 32);
    auto d = open();
    QTest::mouseClick(child<QLabel>(*d, "Label12"), Qt::LeftButton);
    d->N5Click();
    ASSERT_EQ(filters.size(), 1);
    EXPECT_TRUE(filters[0].contains(QLatin1String("|*.bmp;*.jpg;*.jpeg")));
    ASSERT_EQ(d->WorkingPattern().format(), QImage::Format_ARGB32);
    EXPECT_EQ(d->WorkingPattern().size(), QSize(3, 2));
    EXPECT_EQ(d->WorkingPattern().pixel(2, 1), qRgba(30, 20, 10, 128));
    EXPECT_EQ(style().PatternBitmap.format(), QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(style().PatternBitmap.pixel(0, 0)), 128);
    // Scaled with the 32-bit resampler: a flat tile stays flat, alpha too.
    child<QSpinBox>(*d, "SpinEdit32")->setValue(200);
    ASSERT_EQ(style().PatternBitmap.size(), QSize(6, 4));
    EXPECT_EQ(style().PatternBitmap.format(), QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(style().PatternBitmap.pixel(x, y), qRgba(30, 20, 10, 128)) << x << "," << y;
    EXPECT_EQ(child<QListWidget>(*d, "ListView2")->currentRow(), -1);
}

TEST_F(LayerStylePickersTest, ATwentyFourBitBitmapBecomesATwentyFourBitPattern) {
    QImage picture(5, 4, QImage::Format_RGB888);
    picture.fill(QColor(1, 2, 3));
    chosenFile = files.filePath(QStringLiteral("tile24.bmp"));
    ASSERT_TRUE(picture.save(chosenFile, "BMP"));
    ASSERT_EQ(GetBitmapfileBit(chosenFile), 24);
    TLanguageScope language(LangEnglish);
    auto d = open();
    d->N5Click();
    EXPECT_EQ(d->WorkingPattern().depth(), 24);
    EXPECT_EQ(d->WorkingPattern().size(), QSize(5, 4));
    EXPECT_EQ(d->WorkingPattern().pixel(4, 3), qRgb(1, 2, 3));
    EXPECT_EQ(child<QLabel>(*d, "Label42")->text(), QStringLiteral("Pattern size: 5x4 pixels"));
}

TEST_F(LayerStylePickersTest, AFileThatCannotBeReadChangesNothing) {
    chosenFile = writeFile(QStringLiteral("broken.bmp"), QByteArray("BM\x10\x00", 4));
    EXPECT_EQ(GetBitmapfileBit(chosenFile), 0);
    EXPECT_EQ(GetBitmapfileBit(files.filePath(QStringLiteral("missing.bmp"))), 0);
    auto d = open();
    const qint64 before = d->WorkingPattern().cacheKey();
    d->N5Click();
    EXPECT_EQ(d->WorkingPattern().cacheKey(), before);
    chosenFile.clear(); // cancelled
    d->N5Click();
    EXPECT_EQ(d->WorkingPattern().cacheKey(), before);
}

TEST_F(LayerStylePickersTest, ThirtyTwoBitPixelsCutShortAreRefused) {
    QByteArray whole = bmp32(4, 4, 1, 2, 3, 4);
    EXPECT_FALSE(ReadBitmap32File(writeFile(QStringLiteral("whole.bmp"), whole)).isNull());
    whole.chop(1);
    EXPECT_TRUE(ReadBitmap32File(writeFile(QStringLiteral("short.bmp"), whole)).isNull());
    QByteArray wide = bmp32(1, 1, 1, 2, 3, 4);
    wide[18] = char(0xFF); // width 255 with the pixels of one
    EXPECT_TRUE(ReadBitmap32File(writeFile(QStringLiteral("wide.bmp"), wide)).isNull());
}

TEST_F(LayerStylePickersTest, TheClipboardGivesAPatternOnlyWhenItHoldsAPicture) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("no picture"));
    TLanguageScope language(LangEnglish);
    auto d = open();
    QTest::mouseClick(child<QLabel>(*d, "Label12"), Qt::LeftButton);
    d->PopupMenu1Popup();
    EXPECT_FALSE(d->N3->isEnabled());
    const qint64 before = d->WorkingPattern().cacheKey();
    d->N3Click();
    EXPECT_EQ(d->WorkingPattern().cacheKey(), before);
    QImage picture(7, 3, QImage::Format_ARGB32);
    picture.fill(qRgba(50, 60, 70, 200));
    clipboard->setImage(picture);
    d->PopupMenu1Popup();
    EXPECT_TRUE(d->N3->isEnabled());
    d->N3Click();
    EXPECT_EQ(d->WorkingPattern().size(), QSize(7, 3));
    EXPECT_EQ(d->WorkingPattern().depth(), 32);
    EXPECT_EQ(style().PatternBitmap.size(), QSize(7, 3));
    EXPECT_EQ(child<QLabel>(*d, "Label42")->text(), QStringLiteral("Pattern size: 7x3 pixels"));
    clipboard->clear();
}

TEST_F(LayerStylePickersTest, CancelPutsTheOpeningPatternBack) {
    QImage tile(5, 5, QImage::Format_BGR888);
    tile.fill(QColor(9, 8, 7));
    ASSERT_TRUE(doc.SetPatternOverlay(doc.CurrLayerID, 0, 60, tile));
    auto d = open();
    EXPECT_EQ(d->WorkingPattern().size(), QSize(5, 5));
    EXPECT_EQ(child<QSlider>(*d, "Tb30")->value(), 60);
    d->SelectDesign(1);
    ASSERT_EQ(style().PatternBitmap.size(), QSize(128, 128));
    d->BitBtn2Click();
    EXPECT_TRUE(style().PatternOverlayOn);
    EXPECT_EQ(style().PatternBitmap.size(), QSize(5, 5));
    EXPECT_EQ(style().PatternBitmap.pixel(4, 4), qRgb(9, 8, 7));
}

} // namespace
