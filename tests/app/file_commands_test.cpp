#include "app/window_fixture.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "program_strings.h"
#include "steps/compose_step.h"
#include "steps/layer_list.h"
#include "steps/print_step.h"
#include "steps/ruler_guides.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QFile>
#include <QTemporaryDir>

namespace {

class FileCommandsTest : public WindowTest {
protected:
    // Step 2 of a 19 x 19 cm design with one 20 x 20 picture layer.
    std::unique_ptr<TVelmoBalloonForm> withPicture() {
        auto w = stepTwoWindow("19");
        QImage picture(20, 20, QImage::Format_RGB32);
        picture.fill(QColor(0, 0, 255));
        EXPECT_TRUE(w->TabSheet2->AddBitmapToImage(picture));
        EXPECT_TRUE(w->State.Modified);
        return w;
    }
    void save(TVelmoBalloonForm& w, const QString& Name, int Filter) {
        services.FileAnswer = dir.filePath(Name);
        services.SaveFilterAnswer = TVelmoBalloonForm::SaveFilters().value(Filter);
        w.BitBtn11Click();
    }
    // Closes the window the way the window manager asks; true when it went.
    static bool tryClose(TVelmoBalloonForm& w) {
        QCloseEvent close;
        QApplication::sendEvent(&w, &close);
        return close.isAccepted();
    }
    QTemporaryDir dir;
};

TEST_F(FileCommandsTest, SaveDialogOffersTheThreeTableEntriesAndThePngPicture) {
    auto w = window(); // an English system
    const QStringList filters = TVelmoBalloonForm::SaveFilters();
    ASSERT_EQ(filters.size(), 4);
    EXPECT_TRUE(filters[0].endsWith(QStringLiteral("(*.velmo)"))) << filters[0].toStdString();
    EXPECT_TRUE(filters[1].endsWith(QStringLiteral("(*.bmp)")));
    EXPECT_TRUE(filters[2].endsWith(QStringLiteral("(*.jpg *.jpeg)"))) << filters[2].toStdString();
    EXPECT_EQ(filters[3], ProgramText(PsPngFilter));
}

// The filter decides the extension: a JPEG chosen under "x.velmo" is x.jpg.
TEST_F(FileCommandsTest, TheChosenFilterGivesTheFileItsExtension) {
    auto w = withPicture();
    save(*w, QStringLiteral("x.velmo"), 2);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("x.jpg"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x.velmo"))));
    const QImage jpeg(dir.filePath(QStringLiteral("x.jpg")));
    EXPECT_EQ(jpeg.size(), QSize(748, 748));
    save(*w, QStringLiteral("y"), 1);
    const QImage bmp(dir.filePath(QStringLiteral("y.bmp")));
    ASSERT_EQ(bmp.size(), QSize(748, 748));
    // The picture in the middle, white around it.
    EXPECT_EQ(bmp.pixelColor(374, 374), QColor(0, 0, 255));
    EXPECT_EQ(bmp.pixelColor(5, 5), QColor(255, 255, 255));
    save(*w, QStringLiteral("z.bmp"), 0);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("z.velmo"))));
}

TEST_F(FileCommandsTest, OnlySavingTheDesignClearsModifiedSoClosingStillAsks) {
    auto w = withPicture();
    save(*w, QStringLiteral("picture.bmp"), 1);
    EXPECT_TRUE(w->State.Modified);
    // Closing asks; "No" closes without saving.
    services.MessageAnswer = QMessageBox::No;
    services.Messages.clear();
    EXPECT_TRUE(tryClose(*w));
    ASSERT_EQ(services.Messages.size(), 1);
    EXPECT_EQ(services.Messages[0].Text, LangText(134));
    save(*w, QStringLiteral("design.velmo"), 0);
    EXPECT_FALSE(w->State.Modified);
    services.Messages.clear();
    EXPECT_TRUE(tryClose(*w));
    EXPECT_TRUE(services.Messages.isEmpty());
}

// "Yes" saves; a save that is cancelled or fails keeps the window open.
TEST_F(FileCommandsTest, ClosingWithYesKeepsTheWindowUntilTheDesignIsSaved) {
    auto w = withPicture();
    services.MessageAnswer = QMessageBox::Yes;
    services.FileAnswer.clear(); // the save dialog cancelled
    EXPECT_FALSE(tryClose(*w));
    // A folder that does not exist: the save fails and says why.
    services.Messages.clear();
    services.FileAnswer = dir.filePath(QStringLiteral("missing/d.velmo"));
    services.SaveFilterAnswer.clear();
    EXPECT_FALSE(tryClose(*w));
    ASSERT_EQ(services.Messages.size(), 2);
    EXPECT_EQ(services.Messages[1].Icon, QMessageBox::Critical);
    EXPECT_TRUE(w->State.Modified);
    services.Messages.clear();
    services.FileAnswer = dir.filePath(QStringLiteral("d.velmo"));
    EXPECT_TRUE(tryClose(*w));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("d.velmo"))));
    EXPECT_FALSE(w->State.Modified);
}

TEST_F(FileCommandsTest, AnOpenedDesignShowsInStepTwoWithItsGuides) {
    QString file;
    {
        auto w = withPicture();
        // Three guides of its own.
        TGuideList guides;
        guides.Items[0] = {100, 0};
        guides.Items[1] = {0, 200};
        guides.Items[2] = {300, 0};
        guides.Count = 3;
        TRulerGuides::StoreGuides(*w->lxImg, guides);
        file = dir.filePath(QStringLiteral("three.velmo"));
        ASSERT_TRUE(w->lxImg->SaveToFile(file));
    }
    auto w = window();
    ASSERT_TRUE(w->LoadDesign(file));
    EXPECT_EQ(w->CurrentStep(), 1);
    EXPECT_EQ(w->State.CurrentFileName, file);
    EXPECT_EQ(w->lxImg->LayersCount, 2);
    EXPECT_EQ(w->TabSheet2->ListView1->count(), 1);
    EXPECT_EQ(w->TabSheet1->Edit1->text(), QStringLiteral("18.9992"));
    ASSERT_EQ(w->State.Guides.Count, 3);
    EXPECT_EQ(w->State.Guides.Items[2].X, 300);
    EXPECT_EQ(w->History.Count(), 0);

    // No guides stored: the two centre guides.
    TGuideList none;
    TRulerGuides::StoreGuides(*w->lxImg, none);
    const QString bare = dir.filePath(QStringLiteral("bare.velmo"));
    ASSERT_TRUE(w->lxImg->SaveToFile(bare));
    auto other = window();
    ASSERT_TRUE(other->LoadDesign(bare));
    ASSERT_EQ(other->State.Guides.Count, 2);
    EXPECT_EQ(other->State.Guides.Items[0].X, 374);
    EXPECT_EQ(other->State.Guides.Items[1].Y, 374);
}

// As the file manager starts it: "velmo FILE.velmo".
TEST_F(FileCommandsTest, ADesignNamedAtStartOpensInStepTwo) {
    QString file;
    {
        auto w = withPicture();
        file = dir.filePath(QStringLiteral("start.velmo"));
        ASSERT_TRUE(w->lxImg->SaveToFile(file));
    }
    auto w = window();
    w->OpenAtStart(file);
    EXPECT_EQ(w->CurrentStep(), 0); // once the window runs
    QApplication::processEvents();
    EXPECT_EQ(w->CurrentStep(), 1);
    EXPECT_EQ(w->State.CurrentFileName, file);
    EXPECT_EQ(w->lxImg->LayersCount, 2);
}

TEST_F(FileCommandsTest, AFileThatCannotBeOpenedLeavesTheOpenDesignAsItWas) {
    auto w = withPicture();
    const int layers = w->lxImg->LayersCount;
    const QString damaged = dir.filePath(QStringLiteral("damaged.velmo"));
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("QNL");
        f.write(QByteArray(300, '\x7f'));
    }
    services.Messages.clear();
    EXPECT_FALSE(w->LoadDesign(damaged));
    ASSERT_EQ(services.Messages.size(), 1);
    EXPECT_TRUE(services.Messages[0].Text.contains(QStringLiteral("damaged.velmo")))
        << services.Messages[0].Text.toStdString();
    EXPECT_EQ(services.Messages[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(w->lxImg->LayersCount, layers);
    EXPECT_EQ(w->CurrentStep(), 1);
    EXPECT_TRUE(w->State.CurrentFileName.isEmpty());
    EXPECT_EQ(w->TabSheet2->ListView1->count(), 1);

    services.Messages.clear();
    EXPECT_FALSE(w->LoadDesign(dir.filePath(QStringLiteral("none.velmo"))));
    ASSERT_EQ(services.Messages.size(), 1);
    EXPECT_EQ(services.Messages[0].Text, QStringLiteral("The file “none.velmo” does not exist."));
}

TEST_F(FileCommandsTest, CreateNewAsksForAModifiedDesignAndStartsOverInStepOne) {
    auto w = withPicture();
    next(*w);
    ASSERT_EQ(w->CurrentStep(), 2);
    services.MessageAnswer = QMessageBox::Cancel;
    services.Messages.clear();
    QTest::mouseClick(w->BitBtn13, Qt::LeftButton);
    ASSERT_EQ(services.Messages.size(), 1);
    EXPECT_EQ(services.Messages[0].Text, ProgramText(PsNewDesignQuestion));
    EXPECT_EQ(w->CurrentStep(), 2);
    EXPECT_EQ(w->lxImg->LayersCount, 2);

    services.MessageAnswer = QMessageBox::No;
    QTest::mouseClick(w->BitBtn13, Qt::LeftButton);
    EXPECT_EQ(w->CurrentStep(), 0);
    EXPECT_EQ(w->lxImg->LayersCount, 0);
    EXPECT_EQ(w->TabSheet2->ListView1->count(), 0);
    EXPECT_EQ(w->History.Count(), 0);
    EXPECT_FALSE(w->State.Modified);
    EXPECT_TRUE(w->State.CurrentFileName.isEmpty());
    // Next makes a fresh design.
    next(*w);
    EXPECT_EQ(w->CurrentStep(), 1);
    EXPECT_EQ(w->lxImg->LayersCount, 1);
}

TEST_F(FileCommandsTest, ThePngPictureIsTransparentOutsideTheShape) {
    auto w = window();
    w->resize(1400, 1000);
    chooseTemplate(*w, 3); // a round canvas
    next(*w);
    ASSERT_EQ(w->CurrentStep(), 1);
    ASSERT_TRUE(w->lxImg->Layers[0].HasMask);
    save(*w, QStringLiteral("round"), 3);
    const QImage png(dir.filePath(QStringLiteral("round.png")));
    ASSERT_FALSE(png.isNull());
    EXPECT_TRUE(png.hasAlphaChannel());
    EXPECT_EQ(qAlpha(png.pixel(2, 2)), 0);
    EXPECT_EQ(qAlpha(png.pixel(png.width() / 2, png.height() / 2)), 255);
}

} // namespace
