#include "app/window_fixture.h"
#include "history/layer_snapshot.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "program_strings.h"
#include "steps/canvas_step.h"
#include "steps/compose_step.h"
#include "steps/layer_list.h"
#include "steps/mask_list.h"
#include "velmo_assets.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <functional>

#include <cmath>

namespace {

// Step 2 of a 19 x 19 cm design: 748 x 748 pixels.
class PictureCommandsTest : public WindowTest {
protected:
    std::unique_ptr<TVelmoBalloonForm> stepTwo() { return stepTwoWindow("19"); }
    static TComposeStep& step(TVelmoBalloonForm& w) { return *w.TabSheet2; }
    static TlxLayer& layer(TVelmoBalloonForm& w, int Index) { return w.lxImg->Layers[size_t(Index)]; }

    // A W x H PNG in the test's folder; its pixels run through colours.
    QString writePicture(const QString& Name, int W, int H, int Seed = 0) {
        QImage p(W, H, QImage::Format_RGB32);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                p.setPixel(x, y, qRgb((x * 7 + Seed) & 255, (y * 13) & 255, (x ^ y) & 255));
        const QString path = dir.filePath(Name);
        EXPECT_TRUE(p.save(path, "PNG"));
        return path;
    }
    static void undo(TVelmoBalloonForm& w) { QTest::mouseClick(step(w).BitBtn14, Qt::LeftButton); }
    static int red(const TlxLayer& L, int X, int Y) { return L.Bitmap.constScanLine(Y)[X * 3 + 2]; }
    // The grey level of a layer's mask at (X, Y).
    static int maskAt(const TlxLayer& L, int X, int Y) { return L.Mask.constScanLine(Y)[X * 3]; }
    // Inserts through the insert button and the picture dialog.
    void insert(TVelmoBalloonForm& w, const QString& Path) {
        services.FileAnswer = Path;
        QTest::mouseClick(step(w).BitBtn5, Qt::LeftButton);
    }
    void applyMaskRow(TVelmoBalloonForm& w, int Row) {
        step(w).ListView2->setCurrentRow(Row);
        step(w).ListView2DblClick();
    }

    QTemporaryDir dir;
};

TEST_F(PictureCommandsTest, FrameRuleTable) {
    struct Case {
        const char* Path;
        int Height;
        bool Frame;
    };
    // On a 748-pixel canvas a picture is a frame above 1148 pixels, or by name.
    const Case cases[] = {{"/x/b_BK.png", 700, true},   {"/x/b.png", 700, false},
                          {"/x/plain.jpg", 1149, true}, {"/x/plain.jpg", 1148, false},
                          {"/x/Foo_bk.jpeg", 10, true}, {"/x_bk/foo.png", 10, false},
                          {"/x_bk./foo.png", 10, true}};
    for (const Case& c : cases)
        EXPECT_EQ(TComposeStep::IsFramePicture(QString::fromLatin1(c.Path), c.Height, 748), c.Frame)
            << c.Path << " " << c.Height;
}

TEST_F(PictureCommandsTest, PicturesAreCentredFramesPlacedByTheFixedOffset) {
    auto w = stepTwo();
    ASSERT_EQ(w->lxImg->ImageWidth, 748);
    const bool wasModified = w->State.Modified;
    EXPECT_FALSE(wasModified);

    insert(*w, writePicture(QStringLiteral("ring_BK.png"), 300, 700));
    ASSERT_EQ(w->lxImg->LayersCount, 2);
    EXPECT_EQ(layer(*w, 1).Left, (748 - 300) / 2 - 2);
    EXPECT_EQ(layer(*w, 1).Top, -243);
    EXPECT_EQ(layer(*w, 1).Name, "ring_BK.png");

    insert(*w, writePicture(QStringLiteral("ring.png"), 300, 700));
    ASSERT_EQ(w->lxImg->LayersCount, 3);
    EXPECT_EQ(layer(*w, 2).Left, 224);
    EXPECT_EQ(layer(*w, 2).Top, 24);

    insert(*w, writePicture(QStringLiteral("tall.png"), 101, 1149));
    ASSERT_EQ(w->lxImg->LayersCount, 4);
    EXPECT_EQ(layer(*w, 3).Left, (748 - 101) / 2 - 2);
    EXPECT_EQ(layer(*w, 3).Top, -243);

    // The newest layer is the top row, selected, with the mask list showing.
    TLayerList& list = *step(*w).ListView1;
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("tall.png"));
    EXPECT_EQ(list.item(2)->text(), QStringLiteral("ring_BK.png"));
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_EQ(w->lxImg->CurrLayerID, 3);
    EXPECT_FALSE(list.item(0)->icon().isNull());
    EXPECT_TRUE(step(*w).ListView2->isVisible());
    EXPECT_TRUE(w->Button3->isVisible());
    EXPECT_TRUE(w->BitBtn15->isVisible());
    EXPECT_TRUE(w->State.Modified);
    ASSERT_EQ(w->History.Count(), 3);
    EXPECT_EQ(w->History.Item(2).Kind, 1);
    EXPECT_EQ(w->History.Item(2).Layer, 3);

    // Undo takes the layers off again, newest first.
    undo(*w);
    EXPECT_EQ(w->lxImg->LayersCount, 3);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("ring.png"));
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_EQ(w->lxImg->CurrLayerID, 2);
    undo(*w);
    undo(*w);
    EXPECT_EQ(w->lxImg->LayersCount, 1);
    EXPECT_EQ(list.count(), 0);
    EXPECT_FALSE(step(*w).ListView2->isVisible());
    EXPECT_FALSE(w->Button3->isVisible());
}

TEST_F(PictureCommandsTest, AFixedOverlayStaysOnTop) {
    auto w = stepTwo();
    insert(*w, writePicture(QStringLiteral("a.png"), 20, 20));
    layer(*w, 1).Name = "Idiograph";
    step(*w).RebuildLayerList();
    insert(*w, writePicture(QStringLiteral("b.png"), 30, 30, 50));
    ASSERT_EQ(w->lxImg->LayersCount, 3);
    EXPECT_EQ(layer(*w, 2).Name, "Idiograph");
    EXPECT_EQ(layer(*w, 1).Name, "b.png");
    EXPECT_EQ(layer(*w, 1).Bitmap.width(), 30);
    EXPECT_EQ(w->lxImg->CurrLayerID, 1);
    TLayerList& list = *step(*w).ListView1;
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("Idiograph"));
    EXPECT_EQ(list.item(1)->text(), QStringLiteral("b.png"));
    EXPECT_EQ(list.currentRow(), 1);
    // Taking it back selects the row below the overlay, of which there is none.
    undo(*w);
    EXPECT_EQ(w->lxImg->LayersCount, 2);
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(layer(*w, 1).Name, "Idiograph");
}

TEST_F(PictureCommandsTest, AnUnreadablePictureIsReportedAndLeavesNothingBehind) {
    auto w = stepTwo();
    insert(*w, writePicture(QStringLiteral("keep.png"), 10, 10));
    const int historyBefore = w->History.Count();
    struct Bad {
        QString Name;
        QByteArray Bytes;
        int Message;
    };
    QByteArray png;
    {
        QFile f(writePicture(QStringLiteral("whole.png"), 64, 64));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        png = f.readAll();
    }
    const Bad cases[] = {
        {QStringLiteral("text.png"), QByteArray("this is no picture at all"), PsPictureDamaged},
        {QStringLiteral("half.png"), png.left(png.size() / 2), PsPictureDamaged},
        {QStringLiteral("noise.xyz"), QByteArray(300, '\x5a'), PsPictureNotSupported},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.Name.toStdString());
        const QString path = dir.filePath(c.Name);
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.Bytes);
        }
        services.Messages.clear();
        w->State.Modified = false;
        insert(*w, path);
        ASSERT_EQ(services.Messages.size(), 1);
        EXPECT_EQ(services.Messages[0].Icon, QMessageBox::Critical);
        EXPECT_TRUE(services.Messages[0].Text.contains(c.Name));
        // Damaged or not supported: either says the file cannot be used.
        EXPECT_TRUE(services.Messages[0].Text == ProgramText(PsPictureDamaged).arg(c.Name) ||
                    services.Messages[0].Text == ProgramText(PsPictureNotSupported).arg(c.Name))
            << services.Messages[0].Text.toStdString();
        EXPECT_EQ(w->lxImg->LayersCount, 2);
        EXPECT_EQ(step(*w).ListView1->count(), 1);
        EXPECT_EQ(w->History.Count(), historyBefore);
        EXPECT_FALSE(w->State.Modified);
    }
    // A file that is not there.
    services.Messages.clear();
    insert(*w, dir.filePath(QStringLiteral("gone.png")));
    ASSERT_EQ(services.Messages.size(), 1);
    EXPECT_EQ(services.Messages[0].Text, ProgramText(PsPictureNotFound).arg(QStringLiteral("gone.png")));
    EXPECT_EQ(w->lxImg->LayersCount, 2);
}

TEST_F(PictureCommandsTest, OfDroppedFilesOnlyTheFirstIsInsertedAndAnEarlyDropWaitsForStepTwo) {
    auto w = window();
    const QString a = writePicture(QStringLiteral("first.png"), 10, 10);
    const QString b = writePicture(QStringLiteral("second.png"), 10, 10);
    const QString c = writePicture(QStringLiteral("third.png"), 10, 10);
    // Dropped on step 1: kept until the design exists.
    w->FinishDropped({QStringLiteral("  ") + a + QStringLiteral(" "), b, c});
    EXPECT_EQ(w->PendingDrop.trimmed(), a);
    w->TabSheet1->Edit1->setText(QStringLiteral("19"));
    w->TabSheet1->Edit2->setText(QStringLiteral("19"));
    next(*w);
    ASSERT_EQ(w->CurrentStep(), 1);
    ASSERT_EQ(w->lxImg->LayersCount, 2);
    EXPECT_EQ(layer(*w, 1).Name, "first.png");
    EXPECT_TRUE(w->PendingDrop.isEmpty());
    // On step 2 straight away, the first of three only.
    w->FinishDropped({b, c, a});
    ASSERT_EQ(w->lxImg->LayersCount, 3);
    EXPECT_EQ(layer(*w, 2).Name, "second.png");
    // A dropped file that fails to load is skipped without a word.
    services.Messages.clear();
    const QString bad = dir.filePath(QStringLiteral("bad.png"));
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("nothing");
    }
    w->FinishDropped({bad, a});
    EXPECT_EQ(w->lxImg->LayersCount, 3);
    EXPECT_TRUE(services.Messages.isEmpty());
}

TEST_F(PictureCommandsTest, DeletingAsksAndUndoRestoresTheLayerWhereItWas) {
    auto w = stepTwo();
    insert(*w, writePicture(QStringLiteral("a.png"), 20, 20, 10));
    insert(*w, writePicture(QStringLiteral("b.png"), 30, 30, 20));
    insert(*w, writePicture(QStringLiteral("c.png"), 40, 40, 30));
    TLayerList& list = *step(*w).ListView1;
    // The top layer: placed, styled and masked.
    layer(*w, 3).Left = 11;
    layer(*w, 3).Top = -7;
    layer(*w, 3).Style.DropShadowOn = true;
    applyMaskRow(*w, 3);
    ASSERT_TRUE(layer(*w, 3).HasMask);
    const QImage maskBefore = layer(*w, 3).Mask;
    list.item(0)->setText(QStringLiteral("renamed c"));
    const int historyBefore = w->History.Count();

    // "No" changes nothing.
    services.MessageAnswer = QMessageBox::No;
    services.Messages.clear();
    list.setCurrentRow(0);
    QTest::mouseClick(w->Button3, Qt::LeftButton);
    ASSERT_EQ(services.Messages.size(), 1);
    EXPECT_EQ(services.Messages[0].Text, QStringLiteral("Delete “renamed c”,continue?"));
    EXPECT_EQ(services.Messages[0].Icon, QMessageBox::Question);
    EXPECT_EQ(w->lxImg->LayersCount, 4);
    EXPECT_EQ(w->History.Count(), historyBefore);

    services.MessageAnswer = QMessageBox::Yes;
    QTest::mouseClick(w->Button3, Qt::LeftButton);
    ASSERT_EQ(w->lxImg->LayersCount, 3);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("b.png"));
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_EQ(w->History.Item(w->History.Count() - 1).Kind, 2);
    // The working copy is the newly selected layer's.
    EXPECT_EQ(step(*w).PristineCopy.size(), QSize(30, 30));

    undo(*w);
    ASSERT_EQ(w->lxImg->LayersCount, 4);
    const TlxLayer& back = layer(*w, 3);
    EXPECT_EQ(back.Bitmap.size(), QSize(40, 40));
    EXPECT_EQ(red(back, 5, 0), (5 * 7 + 30) & 255);
    EXPECT_EQ(back.Left, 11);
    EXPECT_EQ(back.Top, -7);
    EXPECT_TRUE(back.Style.DropShadowOn);
    ASSERT_TRUE(back.HasMask);
    EXPECT_EQ(back.Mask, maskBefore);
    EXPECT_EQ(history::MaskIndex(back), 3);
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("renamed c"));
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_EQ(w->lxImg->CurrLayerID, 3);
    EXPECT_EQ(step(*w).PristineCopy.size(), QSize(40, 40));
}

TEST_F(PictureCommandsTest, AMiddleLayerComesBackToItsIndexWithTheOthersInOrder) {
    auto w = stepTwo();
    insert(*w, writePicture(QStringLiteral("a.png"), 20, 20, 10));
    insert(*w, writePicture(QStringLiteral("b.png"), 30, 30, 20));
    insert(*w, writePicture(QStringLiteral("c.png"), 40, 40, 30));
    TLayerList& list = *step(*w).ListView1;
    services.MessageAnswer = QMessageBox::Yes;
    list.setCurrentRow(1); // b
    ASSERT_EQ(w->lxImg->CurrLayerID, 2);
    QApplication::setActiveWindow(w.get());
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Delete);
    ASSERT_EQ(w->lxImg->LayersCount, 3);
    EXPECT_EQ(layer(*w, 2).Name, "c.png");
    undo(*w);
    ASSERT_EQ(w->lxImg->LayersCount, 4);
    const char* names[] = {"a.png", "b.png", "c.png"};
    const int widths[] = {20, 30, 40};
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(layer(*w, i).Name, names[i - 1]) << i;
        EXPECT_EQ(layer(*w, i).Bitmap.width(), widths[i - 1]) << i;
        EXPECT_EQ(list.item(3 - i)->text(), QString::fromLatin1(names[i - 1])) << i;
    }
    EXPECT_EQ(w->lxImg->CurrLayerID, 2);
    EXPECT_EQ(list.currentRow(), 1);
}

TEST_F(PictureCommandsTest, HeartMasksKeepTheirProportionsStarsAreStretched) {
    auto w = stepTwo();
    insert(*w, writePicture(QStringLiteral("photo.png"), 400, 200));
    applyMaskRow(*w, 14);
    const TlxLayer& l = layer(*w, 1);
    ASSERT_TRUE(l.HasMask);
    ASSERT_EQ(l.Mask.size(), QSize(400, 200));
    EXPECT_EQ(history::MaskIndex(l), 14);
    const QImage heart = velmo::MaskPicture(14);
    ASSERT_FALSE(heart.isNull());
    // 400 / mw > 200 / mh for any heart no wider than twice its height: the
    // heart fills the height, centred, and the strips beside it are hidden.
    ASSERT_LT(heart.width(), 2 * heart.height());
    const int w14 = int(std::nearbyint(200.0 / heart.height() * heart.width()));
    const int x0 = (400 - w14) / 2;
    for (int y = 0; y < 200; y += 7) {
        for (int x = 0; x < x0; ++x)
            ASSERT_EQ(maskAt(l, x, y), 0) << x << "," << y;
        for (int x = x0 + w14; x < 400; ++x)
            ASSERT_EQ(maskAt(l, x, y), 0) << x << "," << y;
    }
    // The heart's middle is visible.
    EXPECT_GT(maskAt(l, 200, 100), 200);

    applyMaskRow(*w, 17);
    EXPECT_EQ(history::MaskIndex(layer(*w, 1)), 17);
    QImage star;
    ASSERT_TRUE(w->lxImg->StretchBitmapLinear(velmo::MaskPicture(17), star, 400, 200));
    EXPECT_EQ(layer(*w, 1).Mask.convertToFormat(QImage::Format_BGR888),
              star.convertToFormat(QImage::Format_BGR888));
}

TEST_F(PictureCommandsTest, MaskStepsAreRecordedAndUndone) {
    auto w = stepTwo();
    insert(*w, writePicture(QStringLiteral("photo.png"), 80, 60));
    const int start = w->History.Count();
    // Removing a mask the layer does not have still records a step.
    applyMaskRow(*w, TMaskList::RemoveRow);
    EXPECT_EQ(w->History.Count(), start + 1);
    EXPECT_EQ(w->History.Item(start).Kind, 7);
    EXPECT_EQ(w->History.Item(start).MaskRef, QStringLiteral("@"));
    EXPECT_FALSE(layer(*w, 1).HasMask);

    applyMaskRow(*w, 3);
    const QImage third = layer(*w, 1).Mask;
    applyMaskRow(*w, 7);
    EXPECT_EQ(w->History.Item(w->History.Count() - 1).MaskRef, QStringLiteral("#3"));
    EXPECT_NE(layer(*w, 1).Mask, third);
    undo(*w);
    EXPECT_EQ(history::MaskIndex(layer(*w, 1)), 3);
    EXPECT_EQ(layer(*w, 1).Mask, third);
    // Back to no mask at all.
    undo(*w);
    EXPECT_FALSE(layer(*w, 1).HasMask);
    EXPECT_EQ(history::MaskIndex(layer(*w, 1)), 0);

    // A mask from a picture file; undone, the list mask before it returns.
    applyMaskRow(*w, 5);
    QImage grey(8, 8, QImage::Format_Grayscale8);
    grey.fill(90);
    const QString maskFile = dir.filePath(QStringLiteral("mask.png"));
    ASSERT_TRUE(grey.save(maskFile));
    services.FileAnswer = maskFile;
    applyMaskRow(*w, TMaskList::FileRow);
    EXPECT_EQ(history::MaskIndex(layer(*w, 1)), history::MaskFromFile);
    EXPECT_EQ(maskAt(layer(*w, 1), 40, 30), 90);
    // Cancelling the file dialog changes and records nothing.
    const int before = w->History.Count();
    services.FileAnswer.clear();
    applyMaskRow(*w, TMaskList::FileRow);
    EXPECT_EQ(w->History.Count(), before);
    undo(*w);
    EXPECT_EQ(history::MaskIndex(layer(*w, 1)), 5);
}

TEST_F(PictureCommandsTest, TurningIsOneStepBack) {
    auto w = stepTwo();
    insert(*w, writePicture(QStringLiteral("photo.png"), 40, 20));
    TlxLayer& l = layer(*w, 1);
    l.Left = 100;
    l.Top = 50;
    const QImage before = l.Bitmap;
    const int start = w->History.Count();
    step(*w).N901->trigger();
    EXPECT_EQ(l.Bitmap.size(), QSize(20, 40));
    ASSERT_EQ(w->History.Count(), start + 1);
    EXPECT_EQ(w->History.Item(start).Kind, 5);
    undo(*w);
    EXPECT_EQ(l.Bitmap, before);
    EXPECT_EQ(l.Left, 100);
    EXPECT_EQ(l.Top, 50);

    // Any angle: the dialog's value, 0 ignored.
    int angle = 0;
    services.DialogAnswer = [&angle](QDialog& d) {
        d.findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->setValue(angle);
        return int(QDialog::Accepted);
    };
    step(*w).N6->trigger();
    EXPECT_EQ(w->History.Count(), start);
    angle = 180;
    step(*w).N6->trigger();
    EXPECT_EQ(w->History.Count(), start + 1);
    EXPECT_EQ(l.Bitmap.size(), QSize(40, 20));
    // Half a turn: the picture's red ramp (7 x) runs backwards,
    // new (x, y) = old (39 - x, 19 - y).
    EXPECT_EQ(red(l, 0, 0), (39 * 7) & 255);
    EXPECT_EQ(red(l, 39, 5), 0);
    EXPECT_EQ(red(l, 10, 19), (29 * 7) & 255);
}

TEST_F(PictureCommandsTest, PreciseResizeRecordsTwoStepsAndTakesEveryUnit) {
    auto w = stepTwo();
    insert(*w, writePicture(QStringLiteral("photo.png"), 400, 300));
    struct Case {
        int WidthUnit;
        const char* WidthText;
        int HeightUnit;
        const char* HeightText;
        QSize Expected;
    };
    // 8 cm = round(314.96) = 315 px, 2.5 inches = 250 px, 50 % of 300 = 150.
    const Case cases[] = {{2, "8", 0, "236", QSize(315, 236)},
                          {1, "2.5", 3, "50%", QSize(250, 150)},
                          {3, "25", 2, "2.54", QSize(100, 100)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.WidthText);
        const QSize start = layer(*w, 1).Bitmap.size();
        services.DialogAnswer = [&c](QDialog& d) {
            d.findChild<QCheckBox*>(QStringLiteral("Ck1"))->setChecked(false);
            d.findChild<QComboBox*>(QStringLiteral("Cb1"))->setCurrentIndex(c.WidthUnit);
            d.findChild<QComboBox*>(QStringLiteral("Cb2"))->setCurrentIndex(c.HeightUnit);
            d.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QString::fromLatin1(c.WidthText));
            d.findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(QString::fromLatin1(c.HeightText));
            return int(QDialog::Accepted);
        };
        const int before = w->History.Count();
        QTest::mouseClick(w->BitBtn15, Qt::LeftButton);
        EXPECT_EQ(layer(*w, 1).Bitmap.size(), c.Expected);
        ASSERT_EQ(w->History.Count(), before + 2);
        EXPECT_EQ(w->History.Item(before).Kind, 5);
        EXPECT_EQ(w->History.Item(before + 1).Kind, 5);
        undo(*w);
        EXPECT_EQ(layer(*w, 1).Bitmap.size(), start);
        undo(*w);
        EXPECT_EQ(layer(*w, 1).Bitmap.size(), start);
    }
    // Text that is no number ends the command without a step.
    services.DialogAnswer = [](QDialog& d) {
        d.findChild<QComboBox*>(QStringLiteral("Cb1"))->setCurrentIndex(0);
        d.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("1.5"));
        return int(QDialog::Accepted);
    };
    const int before = w->History.Count();
    step(*w).N16->trigger();
    EXPECT_EQ(w->History.Count(), before);
    EXPECT_EQ(layer(*w, 1).Bitmap.size(), QSize(400, 300));
}

TEST(ResetBmpTest, FitsOneSideKeepingProportionsCentredOnBlack) {
    TlxImage doc;
    auto white = [](int w, int h) {
        QImage m(w, h, QImage::Format_Grayscale8);
        m.fill(255);
        return m;
    };
    struct Case {
        QSize Mask, Layer;
        QRect Visible; // where the scaled mask lands
    };
    const Case cases[] = {
        // 400 / 100 = 4 is not above 400 / 50 = 8: the width is filled,
        // height round(400 / 100 * 50) = 200, centred at y = 100.
        {QSize(100, 50), QSize(400, 400), QRect(0, 100, 400, 200)},
        // 400 / 50 = 8 > 200 / 100 = 2: the height is filled, width
        // round(200 / 100 * 50) = 100 at x = 150.
        {QSize(50, 100), QSize(400, 200), QRect(150, 0, 100, 200)},
        // 10 / 1 > 5 / 2: width round(5 / 2 * 1) = round(2.5) = 2 (halves
        // to even), at x = 4.
        {QSize(1, 2), QSize(10, 5), QRect(4, 0, 2, 5)},
    };
    for (const Case& c : cases) {
        const QImage fitted = resetbmp(doc, white(c.Mask.width(), c.Mask.height()),
                                       c.Layer.width(), c.Layer.height());
        ASSERT_EQ(fitted.size(), c.Layer);
        for (int y = 0; y < c.Layer.height(); ++y)
            for (int x = 0; x < c.Layer.width(); ++x)
                ASSERT_EQ(qRed(fitted.pixel(x, y)), c.Visible.contains(x, y) ? 255 : 0)
                    << c.Layer.width() << ":" << x << "," << y;
    }
}

TEST_F(PictureCommandsTest, MaskListRowsAndCaptionsFollowTheLanguage) {
    auto w = stepTwo();
    TMaskList& masks = *step(*w).ListView2;
    ASSERT_EQ(masks.count(), 33);
    EXPECT_EQ(masks.item(0)->text(), QStringLiteral("Remove mask"));
    EXPECT_EQ(masks.item(14)->text(), QStringLiteral("Mask 14"));
    EXPECT_EQ(masks.item(32)->text(), QStringLiteral("From file..."));
    for (int row = 0; row < 33; ++row)
        EXPECT_FALSE(masks.item(row)->icon().isNull()) << row;
    w->N10Click();
    EXPECT_EQ(masks.item(14)->text(), LangText(43) + QStringLiteral("14"));
    EXPECT_TRUE(LangText(43).endsWith(QLatin1Char(' ')));
    w->English1Click();
    for (int row : {14, 15, 16, 27, 31})
        EXPECT_TRUE(MaskRowKeepsProportions(row)) << row;
    for (int row : {1, 13, 17, 26})
        EXPECT_FALSE(MaskRowKeepsProportions(row)) << row;
}

} // namespace

namespace {

// Plays the crop dialog: the rectangle tool dragged over document pixels
// (0, 0) .. (9, 4) at 100 %, Crop, then OK or Cancel.
std::function<int(QDialog&)> cropTenByFive(bool Ok) {
    return [Ok](QDialog& d) {
        d.show();
        QApplication::processEvents();
        // Document pixels are view pixels at 100 %; the view's fitting timer
        // is stopped so that it stays there.
        if (auto* timer = d.findChild<QTimer*>(QStringLiteral("Timer1"))) timer->stop();
        if (auto* item = d.findChild<QAction*>(QStringLiteral("N1001"))) item->trigger();
        QApplication::processEvents();
        d.findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
        auto* view = d.findChild<TlxImageVcl*>(QStringLiteral("lxImg1"));
        const auto at = [view](int X, int Y) { return QPoint(view->ImageToScreen(X), view->ImageToScreen(Y)); };
        const auto send = [view](QEvent::Type Type, QPoint P, Qt::MouseButton Button,
                                 Qt::MouseButtons Held) {
            QMouseEvent e(Type, QPointF(P), QPointF(view->mapToGlobal(P)), Button, Held, {});
            QApplication::sendEvent(view, &e);
        };
        send(QEvent::MouseButtonPress, at(0, 0), Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, at(9, 4), Qt::NoButton, Qt::NoButton);
        send(QEvent::MouseButtonRelease, at(9, 4), Qt::LeftButton, Qt::NoButton);
        d.findChild<QPushButton*>(QStringLiteral("Button2"))->click();
        d.hide();
        return int(Ok ? QDialog::Accepted : QDialog::Rejected);
    };
}

TEST_F(PictureCommandsTest, CropReplacesThePhotoAndOneStepBackRestoresIt) {
    auto w = stepTwo();
    insert(*w, writePicture(QStringLiteral("a.png"), 40, 30, 5));
    const int l = w->lxImg->CurrLayerID;
    const QImage before = layer(*w, l).Bitmap;
    const int historyBefore = w->History.Count();
    // Cancelled after cropping: the layer stays as it was, no step.
    services.DialogAnswer = cropTenByFive(false);
    step(*w).N12Click();
    EXPECT_EQ(layer(*w, l).Bitmap.size(), QSize(40, 30));
    EXPECT_EQ(w->History.Count(), historyBefore);

    services.DialogAnswer = cropTenByFive(true);
    step(*w).N12Click();
    ASSERT_EQ(layer(*w, l).Bitmap.size(), QSize(10, 5));
    // The crop keeps the picture's own top-left pixels.
    EXPECT_EQ(red(layer(*w, l), 3, 0), (3 * 7 + 5) & 255);
    EXPECT_EQ(w->History.Count(), historyBefore + 1);
    EXPECT_EQ(w->History.Item(w->History.Count() - 1).Kind, 5);
    EXPECT_EQ(step(*w).PristineCopy.size(), QSize(10, 5));
    undo(*w);
    EXPECT_EQ(layer(*w, l).Bitmap, before);
}

// A masked photo gets its mask made again for the new size: a second step.
TEST_F(PictureCommandsTest, CropFitsTheMaskAgainAsAStepOfItsOwn) {
    auto w = stepTwo();
    insert(*w, writePicture(QStringLiteral("m.png"), 40, 30, 9));
    const int l = w->lxImg->CurrLayerID;
    applyMaskRow(*w, 17);
    ASSERT_TRUE(layer(*w, l).HasMask);
    const int historyBefore = w->History.Count();
    services.DialogAnswer = cropTenByFive(true);
    step(*w).N12Click();
    ASSERT_EQ(layer(*w, l).Bitmap.size(), QSize(10, 5));
    ASSERT_TRUE(layer(*w, l).HasMask);
    EXPECT_EQ(layer(*w, l).Mask.size(), QSize(10, 5));
    EXPECT_EQ(history::MaskIndex(layer(*w, l)), 17);
    ASSERT_EQ(w->History.Count(), historyBefore + 2);
    EXPECT_EQ(w->History.Item(w->History.Count() - 2).Kind, 5);
    EXPECT_EQ(w->History.Item(w->History.Count() - 1).Kind, 7);
    undo(*w);
    undo(*w);
    EXPECT_EQ(layer(*w, l).Bitmap.size(), QSize(40, 30));
    EXPECT_EQ(layer(*w, l).Mask.size(), QSize(40, 30));
}

// Plays the signature pad: one stroke from (20, 30) to (120, 30), then
// finish; or finish at once without drawing.
std::function<int(QDialog&)> signOnce(bool Draw) {
    return [Draw](QDialog& d) {
        d.show();
        QApplication::processEvents();
        auto* view = d.findChild<TlxImageVcl*>(QStringLiteral("lxImg1"));
        if (Draw) {
            const auto at = [view](int X, int Y) { return QPoint(view->ImageToScreen(X), view->ImageToScreen(Y)); };
            QTest::mousePress(view, Qt::LeftButton, {}, at(20, 30));
            QTest::mouseMove(view, at(120, 30));
            QTest::mouseRelease(view, Qt::LeftButton, {}, at(120, 30));
        }
        QTest::mouseClick(d.findChild<QToolButton*>(QStringLiteral("SpeedButton9")), Qt::LeftButton);
        d.hide();
        return d.result();
    };
}

TEST_F(PictureCommandsTest, ASignatureIsCutToItsStrokeAndInsertedAsUnderwrite) {
    auto w = stepTwo();
    services.DialogAnswer = signOnce(false);
    step(*w).BitBtn12Click();
    EXPECT_EQ(w->lxImg->LayersCount, 1); // nothing drawn, nothing inserted

    services.DialogAnswer = signOnce(true);
    step(*w).BitBtn12Click();
    ASSERT_EQ(w->lxImg->LayersCount, 2);
    const TlxLayer& sig = layer(*w, 1);
    EXPECT_EQ(sig.Name, "underwrite");
    EXPECT_EQ(step(*w).ListView1->item(0)->text(), QStringLiteral("underwrite"));
    // A 10-pixel line from x 20 to 120 with round ends: about 110 x 10.
    EXPECT_NEAR(sig.Bitmap.width(), 110, 3);
    EXPECT_NEAR(sig.Bitmap.height(), 10, 3);
    EXPECT_EQ(sig.Left, (748 - sig.Bitmap.width()) / 2);
    EXPECT_EQ(w->History.Item(w->History.Count() - 1).Kind, 1);
    undo(*w);
    EXPECT_EQ(w->lxImg->LayersCount, 1);
}

} // namespace
