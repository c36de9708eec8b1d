#include "app/window_fixture.h"
#include "curves_dialog.h"
#include "insert_text_dialog.h"
#include "layer_style_dialog.h"
#include "lxImagevcl.h"
#include "steps/compose_step.h"
#include "steps/layer_list.h"
#include "steps/text_effect_list.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSlider>

#include <functional>

namespace {

// Step 2 of a 19 x 19 cm design, with the layer style dialog and the
// curves dialog played by the test.
class StyleCommandsTest : public WindowTest {
protected:
    static TComposeStep& step(TVelmoBalloonForm& w) { return *w.TabSheet2; }
    static TlxLayer& layer(TVelmoBalloonForm& w, int Index) { return w.lxImg->Layers[size_t(Index)]; }
    static void undo(TVelmoBalloonForm& w) { QTest::mouseClick(step(w).BitBtn14, Qt::LeftButton); }

    void insertText(TVelmoBalloonForm& w, const QString& Text) {
        services.DialogAnswer = [Text](QDialog& d) -> int {
            auto* form = dynamic_cast<TForm7*>(&d);
            if (!form) return QDialog::Rejected;
            form->Edit1->setPlainText(Text);
            form->CB2->setEditText(QStringLiteral("40"));
            form->BitBtn1Click();
            return form->result();
        };
        QTest::mouseClick(step(w).BitBtn6, Qt::LeftButton);
    }
    // A 60 x 40 opaque picture, mid grey, as a new picture layer.
    void insertPicture(TVelmoBalloonForm& w) {
        QImage picture(60, 40, QImage::Format_ARGB32);
        picture.fill(qRgb(100, 100, 100));
        ASSERT_TRUE(step(w).AddBitmapToImage(picture));
    }
    // Answers the layer style dialog: Act on it, then the way it closes.
    void answerStyle(std::function<int(TForm63&)> Act) {
        services.DialogAnswer = [this, Act](QDialog& d) -> int {
            auto* form = dynamic_cast<TForm63*>(&d);
            if (!form) return QDialog::Rejected;
            ++styleDialogs;
            openedOnBlending = form->Pages[1] != nullptr && !form->Pages[1]->isHidden();
            shownMode = form->Cb1->currentIndex();
            shownOpacity = form->P1.Tb->value();
            return Act(*form);
        };
    }
    static int ok(TForm63& f) {
        f.BitBtn1Click();
        return f.result();
    }

    int styleDialogs = 0;
    bool openedOnBlending = false;
    int shownMode = -1;
    int shownOpacity = -1;
};

TEST_F(StyleCommandsTest, TheCustomRowOpensTheLayerStyleDialogAndOkKeepsItsWork) {
    auto w = stepTwoWindow("19");
    insertText(*w, QStringLiteral("Style"));
    const int text = w->lxImg->CurrLayerID;
    layer(*w, text).BlendMode = 16;
    layer(*w, text).Opacity = 0.6;
    const int before = w->History.Count();
    EXPECT_FALSE(step(*w).ListView3->item(TTextEffectList::CustomRow)->isHidden());
    answerStyle([](TForm63& f) {
        // Ticking the drop shadow builds it with the page's defaults.
        f.RowBoxes[2]->click();
        return ok(f);
    });
    step(*w).ListView3->setCurrentRow(TTextEffectList::CustomRow);
    step(*w).ListView3DblClick();
    EXPECT_EQ(styleDialogs, 1);
    // It opened on the blending options, showing the layer's mode and opacity.
    EXPECT_TRUE(openedOnBlending);
    EXPECT_EQ(shownMode, 16);
    EXPECT_EQ(shownOpacity, 60);
    const TlxLayer& l = layer(*w, text);
    EXPECT_TRUE(l.Style.DropShadowOn);
    EXPECT_EQ(l.Style.DropShadow.BlendMode, 9);
    EXPECT_EQ(l.Style.DropShadow.Opacity, 75);
    EXPECT_EQ(l.Style.DropShadow.Size, 5);
    // Shown offsets 5, 5 with size 5 and spread 0: stored 5 - 2 x 5 = -5.
    EXPECT_EQ(l.Style.DropShadow.DrawX, -5);
    EXPECT_EQ(l.Style.DropShadow.DrawY, -5);
    ASSERT_EQ(w->History.Count(), before + 1);
    EXPECT_EQ(w->History.Item(w->History.Count() - 1).Kind, 9);
    undo(*w);
    EXPECT_FALSE(layer(*w, text).Style.DropShadowOn);
    EXPECT_EQ(w->History.Count(), before);
}

TEST_F(StyleCommandsTest, ClosingTheDialogAnyOtherWayTakesTheStyleBack) {
    auto w = stepTwoWindow("19");
    insertText(*w, QStringLiteral("Style"));
    const int text = w->lxImg->CurrLayerID;
    step(*w).ListView3->setCurrentRow(3); // red hollow letters: a stroke
    step(*w).ListView3DblClick();
    ASSERT_TRUE(layer(*w, text).Style.StrokeOn);
    const TlxStrokeStyle stroke = layer(*w, text).Style.Stroke;
    const int before = w->History.Count();
    // The window's close button: the dialog itself restores nothing; the
    // step taken before it opened does.
    answerStyle([](TForm63& f) {
        f.RowBoxes[2]->click();
        f.RowBoxes[10]->click(); // the stroke off
        return int(QDialog::Rejected);
    });
    step(*w).ListView3->setCurrentRow(TTextEffectList::CustomRow);
    step(*w).ListView3DblClick();
    EXPECT_EQ(styleDialogs, 1);
    EXPECT_FALSE(layer(*w, text).Style.DropShadowOn);
    EXPECT_TRUE(layer(*w, text).Style.StrokeOn);
    EXPECT_EQ(layer(*w, text).Style.Stroke.Size, stroke.Size);
    EXPECT_EQ(layer(*w, text).Style.Stroke.Color, stroke.Color);
    EXPECT_FALSE(layer(*w, text).Style.StrokeMask.isNull());
    EXPECT_EQ(w->History.Count(), before);
}

TEST_F(StyleCommandsTest, PictureLayersGetLayerStyleAndCurvesFromTheirMenu) {
    auto w = stepTwoWindow("19");
    insertPicture(*w);
    const int picture = w->lxImg->CurrLayerID;
    ASSERT_FALSE(layer(*w, picture).IsText);
    auto* styleItem = step(*w).PopupMenu3->findChild<QAction*>(QStringLiteral("NLayerStyle"));
    auto* curvesItem = step(*w).PopupMenu3->findChild<QAction*>(QStringLiteral("NCurves"));
    if (styleItem == nullptr) styleItem = step(*w).NLayerStyle;
    if (curvesItem == nullptr) curvesItem = step(*w).NCurves;
    ASSERT_NE(styleItem, nullptr);
    ASSERT_NE(curvesItem, nullptr);
    EXPECT_EQ(styleItem->text(), QStringLiteral("Layer style..."));
    EXPECT_EQ(curvesItem->text(), QStringLiteral("Curves..."));

    const int before = w->History.Count();
    answerStyle([](TForm63& f) {
        f.RowBoxes[10]->click(); // a stroke, 3 pixels by default
        // A pattern from a file: the open dialog gets a filter it can use
        // (cancelled here, which changes nothing).
        f.N5Click();
        return ok(f);
    });
    styleItem->trigger();
    EXPECT_EQ(styleDialogs, 1);
    EXPECT_TRUE(layer(*w, picture).Style.StrokeOn);
    EXPECT_EQ(layer(*w, picture).Style.Stroke.Size, 3);
    EXPECT_EQ(services.OpenFilter, QStringLiteral("Bitmap files and JPG images (*.bmp *.jpg *.jpeg)"));
    ASSERT_EQ(w->History.Count(), before + 1);
    EXPECT_EQ(w->History.Item(w->History.Count() - 1).Kind, 9);

    // Curves: the middle of the curve dragged up brightens the grey; OK keeps
    // it as one step of kind 5 that undo takes back.
    const QRgb grey = layer(*w, picture).Bitmap.pixel(10, 10);
    services.DialogAnswer = [](QDialog& d) -> int {
        auto* form = dynamic_cast<TForm80*>(&d);
        if (!form) return QDialog::Rejected;
        auto* box = form->findChild<QWidget*>(QStringLiteral("CurveBox"));
        if (!box) return QDialog::Rejected;
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(100, 155));
        QTest::mouseMove(box, QPoint(100, 80));
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(100, 80));
        return QDialog::Accepted;
    };
    curvesItem->trigger();
    const QRgb brighter = layer(*w, picture).Bitmap.pixel(10, 10);
    EXPECT_GT(qRed(brighter), qRed(grey));
    ASSERT_EQ(w->History.Count(), before + 2);
    EXPECT_EQ(w->History.Item(w->History.Count() - 1).Kind, 5);
    undo(*w);
    EXPECT_EQ(layer(*w, picture).Bitmap.pixel(10, 10), grey);

    // Cancelled, the picture stays and no step is taken.
    services.DialogAnswer = [](QDialog& d) -> int {
        auto* form = dynamic_cast<TForm80*>(&d);
        if (!form) return QDialog::Rejected;
        auto* box = form->findChild<QWidget*>(QStringLiteral("CurveBox"));
        if (!box) return QDialog::Rejected;
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(100, 155));
        QTest::mouseMove(box, QPoint(100, 80));
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(100, 80));
        form->reject();
        return QDialog::Rejected;
    };
    curvesItem->trigger();
    EXPECT_EQ(layer(*w, picture).Bitmap.pixel(10, 10), grey);
    EXPECT_EQ(w->History.Count(), before + 1);
}

} // namespace
