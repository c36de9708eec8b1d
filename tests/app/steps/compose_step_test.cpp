#include "app/window_fixture.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "qnRuler.h"
#include "steps/canvas_step.h"
#include "steps/compose_step.h"
#include "steps/layer_list.h"
#include "steps/ruler_guides.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QWheelEvent>

#include <cstring>

namespace {

// Step 2 of a window whose canvas is Cm x Cm, shown at the 100 % zoom
// (1.001), so that image and canvas pixels agree below 500.
class ComposeStepTest : public WindowTest {
protected:
    std::unique_ptr<TVelmoBalloonForm> stepTwo(const char* Cm = "10") {
        auto w = stepTwoWindow(Cm);
        step(*w).SetFixedZoom(1.001);
        return w;
    }
    static TComposeStep& step(TVelmoBalloonForm& w) { return *w.TabSheet2; }

    // A W x H picture layer at (Left, Top); its pixels run through colours.
    static int addLayer(TVelmoBalloonForm& w, int W, int H, int Left, int Top, int Alpha = 255) {
        QImage p(W, H, QImage::Format_ARGB32);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                p.setPixel(x, y, qRgba((x * 7) & 255, (y * 13) & 255, (x ^ y) & 255, Alpha));
        EXPECT_TRUE(w.lxImg->AddBitmapLayer(p));
        const int layer = w.lxImg->LayersCount - 1;
        w.lxImg->Layers[size_t(layer)].Left = Left;
        w.lxImg->Layers[size_t(layer)].Top = Top;
        step(w).RebuildLayerList();
        w.lxImg->ReDraw();
        return layer;
    }
    static void selectRow(TVelmoBalloonForm& w, int Row) { step(w).ListView1->setCurrentRow(Row); }
    static TlxLayer& layer(TVelmoBalloonForm& w, int Index) { return w.lxImg->Layers[size_t(Index)]; }

    static void drag(TVelmoBalloonForm& w, QPoint From, QPoint To,
                     Qt::KeyboardModifiers Keys = Qt::NoModifier) {
        QWidget* canvas = w.lxImg;
        QTest::mousePress(canvas, Qt::LeftButton, Keys, From);
        QTest::mouseMove(canvas, (From + To) / 2);
        QTest::mouseMove(canvas, To);
        QTest::mouseRelease(canvas, Qt::LeftButton, Keys, To);
    }
    static void clearGuides(TVelmoBalloonForm& w) { step(w).Rulers->N21Click(); }
    static void undo(TVelmoBalloonForm& w) {
        QTest::mouseClick(step(w).BitBtn14, Qt::LeftButton);
    }
};

TEST_F(ComposeStepTest, ListShowsTopLayerFirstAndNeverTheBackground) {
    auto w = stepTwo();
    addLayer(*w, 10, 10, 0, 0);
    addLayer(*w, 10, 10, 0, 0);
    w->lxImg->Layers[1].Name = "bottom";
    w->lxImg->Layers[2].Name = "top";
    step(*w).RebuildLayerList();
    TLayerList& list = *step(*w).ListView1;
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("top"));
    EXPECT_EQ(list.item(1)->text(), QStringLiteral("bottom"));
    EXPECT_EQ(list.item(0)->toolTip(), LangText(271));
    EXPECT_EQ(list.iconSize(), QSize(32, 32));
}

TEST_F(ComposeStepTest, PlainClickKeepsTheSelectionShiftClickTakesTheTopmostRectangle) {
    auto w = stepTwo();
    const int bottom = addLayer(*w, 200, 200, 0, 0);
    // The top layer is wholly transparent: only its rectangle counts.
    const int top = addLayer(*w, 50, 50, 100, 100, 0);
    selectRow(*w, 1);
    ASSERT_EQ(w->lxImg->CurrLayerID, bottom);
    QTest::mouseClick(w->lxImg, Qt::LeftButton, Qt::NoModifier, QPoint(120, 120));
    EXPECT_EQ(w->lxImg->CurrLayerID, bottom);
    // A click is no move, even with an edge 3 pixels from a guide.
    EXPECT_EQ(layer(*w, bottom).Left, 0);
    QTest::mouseClick(w->lxImg, Qt::LeftButton, Qt::ShiftModifier, QPoint(120, 120));
    EXPECT_EQ(w->lxImg->CurrLayerID, top);
    EXPECT_EQ(step(*w).ListView1->currentRow(), 0);
    // Outside the top layer's rectangle Shift+click finds the one below.
    QTest::mouseClick(w->lxImg, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 180));
    EXPECT_EQ(w->lxImg->CurrLayerID, bottom);
}

TEST_F(ComposeStepTest, DraggingSnapsToAGuideAtTenPixelsButNotAtSeventeen) {
    auto w = stepTwo();
    // Next put the centre guides on a 394-pixel canvas: x = 197, y = 197.
    ASSERT_EQ(w->State.Guides.Count, 2);
    ASSERT_EQ(w->State.Guides.Items[0].X, 197);
    const int l = addLayer(*w, 50, 50, 0, 0);
    selectRow(*w, 0);
    drag(*w, QPoint(25, 25), QPoint(25 + 207, 25));
    EXPECT_EQ(layer(*w, l).Left, 197);
    EXPECT_EQ(layer(*w, l).Top, 0);
    layer(*w, l).Left = 0;
    step(*w).SelLayer(l);
    drag(*w, QPoint(25, 25), QPoint(25 + 214, 25));
    EXPECT_EQ(layer(*w, l).Left, 214);
    // The position edits follow, in centimetres.
    EXPECT_EQ(step(*w).Edit5->text(), QStringLiteral("5.4356"));
}

TEST_F(ComposeStepTest, TheLayerFollowsTheMouseWhileDraggingAndOneStepIsRecorded) {
    auto w = stepTwo();
    clearGuides(*w);
    const int l = addLayer(*w, 40, 40, 10, 10);
    selectRow(*w, 0);
    const int before = w->History.Count();
    QTest::mousePress(w->lxImg, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseMove(w->lxImg, QPoint(50, 60));
    EXPECT_EQ(layer(*w, l).Left, 40);
    EXPECT_EQ(layer(*w, l).Top, 50);
    // The display already shows it there.
    const uint8_t* shown = w->lxImg->ShowBmp.constScanLine(50) + 3 * 40;
    EXPECT_EQ(shown[0], 0); // the layer's blue at (0, 0) is 0 ^ 0
    QTest::mouseMove(w->lxImg, QPoint(80, 90));
    QTest::mouseRelease(w->lxImg, Qt::LeftButton, {}, QPoint(80, 90));
    EXPECT_EQ(layer(*w, l).Left, 70);
    EXPECT_EQ(layer(*w, l).Top, 80);
    EXPECT_EQ(w->History.Count(), before + 1);
    EXPECT_TRUE(w->State.Modified);
    undo(*w);
    EXPECT_EQ(layer(*w, l).Left, 10);
    EXPECT_EQ(layer(*w, l).Top, 10);
}

TEST_F(ComposeStepTest, ShiftDragOfTheCornerKeepsTheRatio) {
    auto w = stepTwo("15");
    clearGuides(*w);
    const int l = addLayer(*w, 400, 200, 50, 50);
    selectRow(*w, 0);
    // Handle 4 sits at (450, 250); dragged to a width of 300.
    drag(*w, QPoint(450, 250), QPoint(350, 231), Qt::ShiftModifier);
    EXPECT_EQ(layer(*w, l).Bitmap.size(), QSize(300, 150));
    EXPECT_EQ(layer(*w, l).Left, 50);
    EXPECT_EQ(layer(*w, l).Top, 50);
    // Without Shift the mouse decides both sides.
    drag(*w, QPoint(350, 200), QPoint(300, 260));
    EXPECT_EQ(layer(*w, l).Bitmap.size(), QSize(250, 210));
}

TEST_F(ComposeStepTest, ShrinkingToATenthAndBackGivesTheOriginalPixels) {
    auto w = stepTwo();
    const int l = addLayer(*w, 200, 100, 5, 5);
    selectRow(*w, 0);
    const QImage original = layer(*w, l).Bitmap.copy();
    step(*w).SetLayerSize(5, 5, 20, 10);
    ASSERT_EQ(layer(*w, l).Bitmap.size(), QSize(20, 10));
    step(*w).SetLayerSize(5, 5, 200, 100);
    ASSERT_EQ(layer(*w, l).Bitmap.size(), QSize(200, 100));
    for (int y = 0; y < 100; ++y)
        ASSERT_EQ(std::memcmp(layer(*w, l).Bitmap.constScanLine(y), original.constScanLine(y), 600), 0)
            << "row " << y;
    // Both resizes are steps; the first undo gives the small picture back.
    undo(*w);
    EXPECT_EQ(layer(*w, l).Bitmap.size(), QSize(20, 10));
    undo(*w);
    EXPECT_EQ(layer(*w, l).Bitmap.size(), QSize(200, 100));
}

TEST_F(ComposeStepTest, AResizePastThePictureLimitsLeavesTheLayerAndRecordsNothing) {
    auto w = stepTwo();
    const int l = addLayer(*w, 30, 20, 5, 5);
    selectRow(*w, 0);
    const int before = w->History.Count();
    w->State.Modified = false;
    step(*w).SetLayerSize(5, 5, TlxImage::MaxPictureSide + 1, 20);
    step(*w).SetLayerSize(0, 0, 60000, 60000);
    EXPECT_EQ(layer(*w, l).Bitmap.size(), QSize(30, 20));
    EXPECT_EQ(layer(*w, l).Left, 5);
    EXPECT_EQ(w->History.Count(), before);
    EXPECT_FALSE(w->State.Modified);
}

TEST_F(ComposeStepTest, TextLayersResizeByTheirFontAndRecordNothing) {
    auto w = stepTwo();
    TlxTextStyle style{};
    std::strcpy(style.Text, "Hi");
    style.Size = 20;
    style.Color = lxRGB(0, 0, 0);
    ASSERT_TRUE(w->lxImg->AddTextLayer(0, 0, style));
    const int l = w->lxImg->LayersCount - 1;
    step(*w).RebuildLayerList();
    selectRow(*w, 0);
    EXPECT_EQ(step(*w).ListView1->item(0)->toolTip(), LangText(270));
    const int width = layer(*w, l).Bitmap.width();
    const int before = w->History.Count();
    step(*w).SetLayerSize(10, 12, width * 2, 1);
    // Trunc(20 * 2w / w + 0.5) = 40.
    EXPECT_EQ(layer(*w, l).TextStyle.Size, 40);
    EXPECT_EQ(layer(*w, l).Left, 10);
    EXPECT_EQ(layer(*w, l).Top, 12);
    EXPECT_GT(layer(*w, l).Bitmap.width(), width);
    EXPECT_EQ(w->History.Count(), before);
}

TEST_F(ComposeStepTest, DraggingRowZeroOntoRowTwoSwapsTopAndThird) {
    auto w = stepTwo();
    for (int i = 0; i < 4; ++i)
        addLayer(*w, 10 + i, 10, 0, 0);
    // Rows 0..3 show layers 4..1; the widths tell them apart.
    selectRow(*w, 0);
    step(*w).ListView1EndDrag(0, 2);
    EXPECT_EQ(layer(*w, 4).Bitmap.width(), 11);
    EXPECT_EQ(layer(*w, 2).Bitmap.width(), 13);
    EXPECT_EQ(layer(*w, 3).Bitmap.width(), 12); // in between: unchanged
    EXPECT_EQ(layer(*w, 1).Bitmap.width(), 10);
    // The selection stays on row 0, which now shows the other layer.
    EXPECT_EQ(step(*w).ListView1->currentRow(), 0);
    EXPECT_EQ(w->lxImg->CurrLayerID, 4);
    undo(*w);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(layer(*w, i).Bitmap.width(), 9 + i) << i;
}

TEST_F(ComposeStepTest, RenamingChangesOnlyTheCaptionAndNeverToTheFixedOverlay) {
    auto w = stepTwo();
    const int l = addLayer(*w, 10, 10, 0, 0);
    w->lxImg->Layers[size_t(l)].Name = "photo";
    step(*w).RebuildLayerList();
    QListWidgetItem* row = step(*w).ListView1->item(0);
    row->setText(QStringLiteral("holiday"));
    EXPECT_EQ(row->text(), QStringLiteral("holiday"));
    EXPECT_EQ(w->lxImg->Layers[size_t(l)].Name, "photo");
    row->setText(QStringLiteral("Idiograph"));
    EXPECT_EQ(row->text(), QStringLiteral("holiday"));
}

TEST_F(ComposeStepTest, TheFixedOverlayIsNeverSelectedNorRenamed) {
    auto w = stepTwo();
    const int under = addLayer(*w, 10, 10, 0, 0);
    const int overlay = addLayer(*w, 10, 10, 0, 0);
    w->lxImg->Layers[size_t(overlay)].Name = "Idiograph";
    step(*w).RebuildLayerList();
    selectRow(*w, 1);
    ASSERT_EQ(w->lxImg->CurrLayerID, under);
    selectRow(*w, 0);
    EXPECT_EQ(w->lxImg->CurrLayerID, under);
    EXPECT_FALSE(step(*w).ListView1->item(0)->flags() & Qt::ItemIsEditable);
    // Shift+click passes through it to the layer below.
    QTest::mouseClick(w->lxImg, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 5));
    EXPECT_EQ(w->lxImg->CurrLayerID, under);
}

TEST_F(ComposeStepTest, ZoomItemsSetTheirValuesAndTheHundredIsOnePointZeroZeroOne) {
    auto w = stepTwo();
    TComposeStep& s = step(*w);
    s.N1001->trigger();
    EXPECT_DOUBLE_EQ(w->lxImg->ZoomValue, 1.001);
    EXPECT_TRUE(s.N1001->isChecked());
    s.FixedZoomItems[8]->trigger();
    EXPECT_DOUBLE_EQ(w->lxImg->ZoomValue, 3.0);
    EXPECT_EQ(w->lxImg->width(), 394 * 3);
    // The canvas then no longer fits: it starts at the margin.
    EXPECT_EQ(w->lxImg->x(), 8);
    s.N1->trigger();
    EXPECT_TRUE(s.ShowsAll());
    const QWidget* vp = s.ScrollBox1->viewport();
    const double fit = std::min(double(vp->width() - 16) / 394, double(vp->height() - 16) / 394);
    EXPECT_DOUBLE_EQ(w->lxImg->ZoomValue, fit);
    // Centred in the scroll box.
    EXPECT_LE(std::abs(w->lxImg->x() * 2 + w->lxImg->width() - vp->width()), 1);

    // The custom item asks for a percentage.
    services.DialogAnswer = [](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("250"));
        return int(QDialog::Accepted);
    };
    s.N9->trigger();
    EXPECT_DOUBLE_EQ(w->lxImg->ZoomValue, 2.5);
    services.DialogAnswer = [](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("0"));
        return int(QDialog::Accepted);
    };
    s.N9->trigger();
    EXPECT_DOUBLE_EQ(w->lxImg->ZoomValue, 2.5);
    s.FixedZoomItems[3]->trigger();
    services.DialogAnswer = nullptr; // cancelled
    s.N9->trigger();
    EXPECT_DOUBLE_EQ(w->lxImg->ZoomValue, 0.5);
    EXPECT_TRUE(s.FixedZoomItems[3]->isChecked());
}

TEST_F(ComposeStepTest, CtrlWheelZoomsAboutTheMouse) {
    auto w = stepTwo("40"); // larger than the scroll box, so it can scroll
    TComposeStep& s = step(*w);
    QWidget* vp = s.ScrollBox1->viewport();
    const QPoint atCanvas(100, 60);
    const QPoint atViewport = w->lxImg->mapTo(vp, atCanvas);
    QWheelEvent wheel(atViewport, vp->mapToGlobal(atViewport), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(vp, &wheel);
    EXPECT_DOUBLE_EQ(w->lxImg->ZoomValue, 1.5);
    // The picture point that was under the mouse is there still.
    const QPoint now = w->lxImg->mapFrom(vp, atViewport);
    EXPECT_LE(std::abs(now.x() - 150), 1);
    EXPECT_LE(std::abs(now.y() - 90), 1);
}

TEST_F(ComposeStepTest, ArrowKeysNudgeByFourPixelsAlsoInThePositionEdit) {
    auto w = stepTwo();
    const int l = addLayer(*w, 20, 20, 40, 40);
    selectRow(*w, 0);
    const int before = w->History.Count();
    QApplication::setActiveWindow(w.get());
    step(*w).ListView1->setFocus();
    QTest::keyClick(step(*w).ListView1, Qt::Key_Up);
    EXPECT_EQ(layer(*w, l).Top, 36);
    QLineEdit* edit = step(*w).Edit5;
    QApplication::setActiveWindow(w.get());
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    edit->setCursorPosition(0);
    QTest::keyClick(edit, Qt::Key_Right);
    EXPECT_EQ(layer(*w, l).Left, 44);
    EXPECT_EQ(edit->cursorPosition(), 1);
    EXPECT_EQ(edit->text(), QStringLiteral("1.1176"));
    // Nudges are not steps of the history.
    EXPECT_EQ(w->History.Count(), before);
}

TEST_F(ComposeStepTest, TypingAPositionMovesTheLayerOneStepPerKeystroke) {
    auto w = stepTwo();
    const int l = addLayer(*w, 20, 20, 0, 0);
    selectRow(*w, 0);
    QLineEdit* edit = step(*w).Edit6;
    QApplication::setActiveWindow(w.get());
    edit->setFocus();
    edit->selectAll();
    const int before = w->History.Count();
    QTest::keyClicks(edit, QStringLiteral("2.5"));
    // 2.5 cm: Trunc(2.5 * 100 / 2.54 + 0.5) = 98.
    EXPECT_EQ(layer(*w, l).Top, 98);
    EXPECT_EQ(w->History.Count(), before + 3);
    QTest::keyClicks(edit, QStringLiteral("x"));
    EXPECT_EQ(edit->text(), QStringLiteral("2.5"));
}

TEST_F(ComposeStepTest, CaptionShowsTheMousePositionInTheRulerUnit) {
    auto w = stepTwo();
    QTest::mouseMove(w->lxImg, QPoint(100, 50));
    // 100 px: Trunc(254 + 0.5) / 100 = 2.54; 50 px: Trunc(127 + 0.5) / 100 = 1.27.
    EXPECT_EQ(w->windowTitle(), LangText(51) + QStringLiteral(" - [CM: 2.54,1.27]"));
    step(*w).Rulers->N17->trigger();
    QTest::mouseMove(w->lxImg, QPoint(100, 51));
    EXPECT_EQ(w->windowTitle(), LangText(51) + QStringLiteral(" - [PX: 100,51]"));
    EXPECT_EQ(step(*w).Rulers->SpeedButton1->text(), QStringLiteral("PX"));
    step(*w).Rulers->N19->trigger();
    QTest::mouseMove(w->lxImg, QPoint(197, 98));
    EXPECT_EQ(w->windowTitle(), LangText(51) + QStringLiteral(" - [PC: 50.00,24.87]"));
    EXPECT_EQ(step(*w).Rulers->qnRuler1->RulerUnit(), qnPercent);
    EXPECT_EQ(step(*w).Rulers->qnRuler1->Position(), 197);
    EXPECT_EQ(step(*w).Rulers->qnRuler2->Position(), 98);
}

// ------------------------------------------------------------ guides

TEST_F(ComposeStepTest, AddGuideDialogTurnsUnitsIntoPixels) {
    auto w = stepTwo("19"); // 748 pixels
    TRulerGuides& r = *step(*w).Rulers;
    ASSERT_EQ(w->lxImg->ImageWidth, 748);
    auto answer = [&](bool vertical, const char* text, int unit) {
        services.DialogAnswer = [=](QDialog& d) {
            d.findChild<QRadioButton*>(QString::fromLatin1(vertical ? "Rb2" : "Rb1"))->setChecked(true);
            d.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QString::fromLatin1(text));
            d.findChild<QComboBox*>(QStringLiteral("Cb"))->setCurrentIndex(unit);
            return int(QDialog::Accepted);
        };
        r.N20Click();
    };
    const int before = w->State.Guides.Count;
    answer(true, "50", 3); // 50 % of 748
    answer(false, "2", 2); // 2 cm: Trunc(78.74 + 0.5)
    answer(false, "oops", 0);
    ASSERT_EQ(w->State.Guides.Count, before + 2);
    EXPECT_EQ(w->State.Guides.Items[size_t(before)].X, 374);
    EXPECT_EQ(w->State.Guides.Items[size_t(before)].Y, 0);
    EXPECT_EQ(w->State.Guides.Items[size_t(before + 1)].X, 0);
    EXPECT_EQ(w->State.Guides.Items[size_t(before + 1)].Y, 79);
    // The background layer keeps them too.
    TGuideList stored;
    TRulerGuides::ReadStoredGuides(*w->lxImg, stored);
    EXPECT_EQ(stored.Count, before + 2);
    EXPECT_EQ(stored.Items[size_t(before)].X, 374);
}

TEST_F(ComposeStepTest, ADesignKeepsOnlyTheFirstTenGuides) {
    auto w = stepTwo();
    TRulerGuides& r = *step(*w).Rulers;
    r.N21Click();
    for (int i = 1; i <= 12; ++i) {
        services.DialogAnswer = [i](QDialog& d) {
            d.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QString::number(10 * i));
            d.findChild<QComboBox*>(QStringLiteral("Cb"))->setCurrentIndex(0);
            return int(QDialog::Accepted);
        };
        r.N20Click();
    }
    ASSERT_EQ(w->State.Guides.Count, 12);
    QByteArray file;
    ASSERT_TRUE(w->lxImg->SaveToData(file));
    TlxImage reopened;
    ASSERT_TRUE(reopened.LoadFromData(file));
    TGuideList stored;
    TRulerGuides::ReadStoredGuides(reopened, stored);
    ASSERT_EQ(stored.Count, 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(stored.Items[size_t(i)].X, 10 * (i + 1)) << i;
    // Clearing empties both.
    r.N21Click();
    EXPECT_EQ(w->State.Guides.Count, 0);
    TRulerGuides::ReadStoredGuides(*w->lxImg, stored);
    EXPECT_EQ(stored.Count, 0);
}

TEST_F(ComposeStepTest, TheHundredAndSecondGuideIsRefused) {
    auto w = stepTwo();
    TRulerGuides& r = *step(*w).Rulers;
    while (w->State.Guides.Count < TGuideList::MaxGuides)
        ASSERT_TRUE(r.AddGuide({w->State.Guides.Count + 1, 0}));
    EXPECT_FALSE(r.AddGuide({500, 0}));
    EXPECT_EQ(w->State.Guides.Count, 101);
    EXPECT_EQ(w->State.Guides.Items[100].X, 101);
}

TEST_F(ComposeStepTest, ManagingGuidesEditsTheListOnOk) {
    auto w = stepTwo();
    TRulerGuides& r = *step(*w).Rulers;
    services.DialogAnswer = [](QDialog& d) {
        auto* list = d.findChild<QTreeWidget*>(QStringLiteral("LV"));
        EXPECT_EQ(list->topLevelItemCount(), 2);
        // Delete the first (the vertical centre guide).
        list->setCurrentItem(list->topLevelItem(0));
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
        return int(QDialog::Accepted);
    };
    r.N23Click();
    ASSERT_EQ(w->State.Guides.Count, 1);
    EXPECT_EQ(w->State.Guides.Items[0].X, 0);
    EXPECT_EQ(w->State.Guides.Items[0].Y, 197);
    // Nothing to manage: no dialog.
    r.N21Click();
    int shown = 0;
    services.DialogAnswer = [&](QDialog&) { return ++shown, int(QDialog::Accepted); };
    r.N23Click();
    EXPECT_EQ(shown, 0);
}

TEST_F(ComposeStepTest, RightClickOnARulerOpensTheGuideMenuLeftClickDoesNot) {
    auto w = stepTwo();
    TRulerGuides& r = *step(*w).Rulers;
    QTest::mouseClick(r.qnRuler1, Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_FALSE(r.PopupMenu7->isVisible());
    QTest::mouseClick(r.qnRuler2, Qt::RightButton, {}, QPoint(5, 10));
    EXPECT_TRUE(r.PopupMenu7->isVisible());
    r.PopupMenu7->hide();
    QTest::mouseClick(r.PaintBox1, Qt::RightButton, {}, QPoint(2, 5));
    EXPECT_TRUE(r.PopupMenu7->isVisible());
    r.PopupMenu7->hide();
    EXPECT_EQ(r.N20->text(), LangText(125));
}

TEST_F(ComposeStepTest, LockedGuidesLetTheLayerMoveUnlockedOnesAreDragged) {
    auto w = stepTwo();
    TRulerGuides& r = *step(*w).Rulers;
    const int l = addLayer(*w, 30, 30, 0, 0);
    selectRow(*w, 0);
    EXPECT_TRUE(r.N22->isChecked());
    // On the vertical centre guide at x = 197 (a plain move far from any snap).
    drag(*w, QPoint(197, 300), QPoint(197 + 60, 300 - 100));
    EXPECT_EQ(w->State.Guides.Items[0].X, 197);
    EXPECT_EQ(layer(*w, l).Left, 60);
    r.N22->trigger();
    EXPECT_FALSE(r.N22->isChecked());
    drag(*w, QPoint(197, 300), QPoint(240, 300));
    EXPECT_EQ(w->State.Guides.Items[0].X, 240);
    EXPECT_EQ(layer(*w, l).Left, 60);
}

TEST_F(ComposeStepTest, RulersUseTheDocumentResolutionAndFollowTheZoom) {
    auto w = stepTwo();
    TRulerGuides& r = *step(*w).Rulers;
    EXPECT_EQ(r.qnRuler1->PixelsPerInch(), 100);
    EXPECT_EQ(r.qnRuler1->RulerUnit(), qnCM);
    EXPECT_EQ(r.SpeedButton1->text(), QStringLiteral("CM"));
    step(*w).SetFixedZoom(2.0);
    EXPECT_DOUBLE_EQ(r.qnRuler1->Zoom(), 2.0);
    EXPECT_EQ(r.qnRuler1->width(), w->lxImg->width());
    EXPECT_EQ(r.qnRuler2->height(), w->lxImg->height());
    // The ruler starts where the canvas starts.
    const QPoint rulerLeft = r.qnRuler1->mapTo(w.get(), QPoint(0, 0));
    const QPoint canvasLeft = w->lxImg->mapTo(w.get(), QPoint(0, 0));
    EXPECT_EQ(rulerLeft.x(), canvasLeft.x());
}

// ------------------------------------------------------------ undo

TEST_F(ComposeStepTest, AfterTwentyFiveMovesOnlyTwentyUndo) {
    auto w = stepTwo();
    clearGuides(*w);
    const int l = addLayer(*w, 10, 10, 0, 0);
    selectRow(*w, 0);
    for (int i = 0; i < 25; ++i)
        drag(*w, QPoint(5 + 10 * i, 5), QPoint(15 + 10 * i, 5));
    ASSERT_EQ(layer(*w, l).Left, 250);
    for (int i = 0; i < 21; ++i)
        undo(*w);
    EXPECT_EQ(layer(*w, l).Left, 50);
    EXPECT_TRUE(step(*w).BitBtn14->isEnabled());
}

TEST_F(ComposeStepTest, UndoAfterBackAndNextDoesNothing) {
    auto w = stepTwo();
    clearGuides(*w);
    const int l = addLayer(*w, 10, 10, 0, 0);
    selectRow(*w, 0);
    drag(*w, QPoint(5, 5), QPoint(45, 5));
    ASSERT_EQ(layer(*w, l).Left, 40);
    back(*w);
    EXPECT_EQ(w->History.Count(), 0);
    next(*w);
    ASSERT_EQ(w->CurrentStep(), 1);
    undo(*w);
    EXPECT_EQ(layer(*w, l).Left, 40);
    // Ctrl+Z is the same command.
    selectRow(*w, 0);
    step(*w).SetFixedZoom(1.001);
    clearGuides(*w);
    drag(*w, QPoint(45, 5), QPoint(65, 5));
    ASSERT_EQ(layer(*w, l).Left, 60);
    step(*w).UndoAction->trigger();
    EXPECT_EQ(layer(*w, l).Left, 40);
}

TEST_F(ComposeStepTest, ThumbnailFollowsAResize) {
    auto w = stepTwo();
    addLayer(*w, 100, 20, 0, 0);
    selectRow(*w, 0);
    const QImage before = step(*w).ListView1->item(0)->icon().pixmap(32, 32).toImage();
    step(*w).SetLayerSize(0, 0, 20, 100);
    const QImage after = step(*w).ListView1->item(0)->icon().pixmap(32, 32).toImage();
    EXPECT_NE(before, after);
}

} // namespace
