#include "open_design_dialog.h"

#include "dialog_test_support.h"
#include "lxImage.h"

#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

static_assert(ModalDialog<TOpenDesignDialog>);

void putU32(QByteArray& Data, int At, uint32_t Value) {
    for (int i = 0; i < 4; ++i) Data[At + i] = char(uint8_t(Value >> (8 * i)));
}

QByteArray encoded(const QImage& Picture, const char* Format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(Picture.save(&buffer, Format)) << Format;
    return bytes;
}

QImage solid(int W, int H, QColor Colour) {
    QImage picture(W, H, QImage::Format_RGB32);
    picture.fill(Colour);
    return picture;
}

// A design file header of the given magic and thumbnail fields, followed by
// Payload; the design is 640 x 480.
QByteArray designFile(const char* Magic, int Kind, uint32_t At, uint32_t Length,
                      const QByteArray& Payload) {
    QByteArray file(1044, '\0');
    file.replace(0, 3, Magic);
    putU32(file, 4, 260);
    putU32(file, 8, 640);
    putU32(file, 12, 480);
    file[26] = char(Kind);
    putU32(file, 28, At);
    putU32(file, 32, Length);
    return file + Payload;
}

// An uncompressed 24-bit bitmap of one colour written byte by byte, with its
// image size field (offset 34) 0 as some writers leave it. Rows are padded
// to four bytes.
QByteArray bitmapWithoutSizeField(int W, int H, uint8_t B, uint8_t G, uint8_t R) {
    const int row = (W * 3 + 3) / 4 * 4;
    QByteArray file(54 + row * H, '\0');
    file[0] = 'B';
    file[1] = 'M';
    putU32(file, 2, uint32_t(file.size()));
    putU32(file, 10, 54);
    putU32(file, 14, 40);
    putU32(file, 18, uint32_t(W));
    putU32(file, 22, uint32_t(H));
    file[26] = 1;  // planes
    file[28] = 24; // bits per pixel
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const int at = 54 + y * row + x * 3;
            file[at] = char(B);
            file[at + 1] = char(G);
            file[at + 2] = char(R);
        }
    return file;
}

class PreviewFiles : public ::testing::Test {
protected:
    QString write(const QString& Name, const QByteArray& Bytes) {
        const QString path = folder.filePath(Name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        EXPECT_EQ(file.write(Bytes), Bytes.size());
        return path;
    }
    // A 200 x 100 red design saved by the engine.
    QString savedDesign(const QString& Name) {
        TlxImage doc;
        EXPECT_TRUE(doc.NewImage(true, lxRGB(255, 0, 0), 24, 200, 100));
        EXPECT_TRUE(doc.ReDraw());
        const QString path = folder.filePath(Name);
        EXPECT_TRUE(doc.SaveToFile(path));
        return path;
    }
    QTemporaryDir folder;
};

void expectNear(QRgb Pixel, int R, int G, int B, int Tolerance, const char* What) {
    EXPECT_NEAR(qRed(Pixel), R, Tolerance) << What;
    EXPECT_NEAR(qGreen(Pixel), G, Tolerance) << What;
    EXPECT_NEAR(qBlue(Pixel), B, Tolerance) << What;
}

TEST(FittedPreviewSizeTest, FitsIntoTheFrameKeepingProportions) {
    const QSize frame(367, 111);
    const struct {
        QSize picture, fitted;
    } cases[] = {
        {{734, 111}, {367, 56}},  // twice as wide: 111 / 2 = 55.5, to the even 56
        {{734, 37}, {367, 18}},   // 37 / 2 = 18.5, to the even 18
        {{100, 222}, {50, 111}},  // twice as high: 100 / 2
        {{5, 222}, {2, 111}},     // 5 / 2 = 2.5, to the even 2
        {{1101, 111}, {367, 37}}, // three times as wide
        {{367, 111}, {367, 111}}, // the frame's own proportions
        {{10, 5}, {222, 111}},    // small pictures are enlarged: 10 / (5 / 111)
        {{3670, 1}, {367, 1}},    // 0.1 pixels high is kept at one
    };
    for (const auto& c : cases)
        EXPECT_EQ(FittedPreviewSize(c.picture, frame), c.fitted)
            << c.picture.width() << " x " << c.picture.height();
    EXPECT_TRUE(FittedPreviewSize({0, 5}, frame).isEmpty());
    EXPECT_TRUE(FittedPreviewSize({5, 5}, {0, 111}).isEmpty());
}

// The 54 bytes of a bitmap file and information header that the size field
// repair reads.
QByteArray bitmapHeader(int32_t W, int32_t H, int Bits, uint32_t InfoSize, uint32_t Field) {
    QByteArray header(54, '\0');
    header[0] = 'B';
    header[1] = 'M';
    putU32(header, 14, InfoSize);
    putU32(header, 18, uint32_t(W));
    putU32(header, 22, uint32_t(H));
    header[26] = 1;
    header[28] = char(Bits);
    putU32(header, 34, Field);
    return header;
}

uint32_t sizeField(const QByteArray& Header) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(Header[34 + i]);
    return v;
}

TEST(RepairBitmapSizeFieldTest, WritesWidthTimesHeightTimesBitsOverEight) {
    const struct {
        int32_t w, h;
        int bits;
        uint32_t infoSize, before, after;
    } cases[] = {
        {734, 111, 24, 40, 0, 244422},    // 734 * 111 * 3, exact
        {12, 1, 1, 40, 0, 2},             // 1.5 bytes, to the even 2
        {20, 1, 1, 40, 0, 2},             // 2.5, to the even 2
        {28, 1, 1, 40, 0, 4},             // 3.5, to the even 4
        {4, 1, 1, 40, 7, 0},              // 0.5, to the even 0: a wrong field is rewritten
        {5, 3, 4, 40, 0, 8},              // 60 bits = 7.5 bytes
        {3, -2, 24, 40, 0, 18},           // top-down: the height counts as 2
        {10, 10, 32, 124, 0, 400},        // a newer, longer information header
        {10, 10, 8, 12, 0, 0},            // the old 12-byte header has no such field
        {65535, 65535, 32, 40, 5, 5},     // 17 179 344 900 bytes do not fit the field
    };
    for (const auto& c : cases) {
        QByteArray header = bitmapHeader(c.w, c.h, c.bits, c.infoSize, c.before);
        RepairBitmapSizeField(header);
        EXPECT_EQ(sizeField(header), c.after) << c.w << " x " << c.h << " x " << c.bits;
    }
    QByteArray notBitmap = bitmapHeader(12, 1, 1, 40, 0);
    notBitmap[0] = 'X';
    RepairBitmapSizeField(notBitmap);
    EXPECT_EQ(sizeField(notBitmap), 0u);
    QByteArray cut = bitmapHeader(12, 1, 1, 40, 0).left(53);
    RepairBitmapSizeField(cut);
    EXPECT_EQ(cut, bitmapHeader(12, 1, 1, 40, 0).left(53));
}

TEST(FileDialogFilterTest, TurnsTheTablePairsIntoFileDialogFilters) {
    EXPECT_EQ(FileDialogFilter(QStringLiteral("Image design file (*.velmo)|*.velmo")),
              QStringLiteral("Image design file (*.velmo)"));
    EXPECT_EQ(FileDialogFilter(QStringLiteral(
                  "Windows Bitmap (*.bmp)|*.bmp|JPEG image(*.jpg;*.jpeg)|*.jpg;*.jpeg")),
              QStringLiteral("Windows Bitmap (*.bmp);;JPEG image (*.jpg *.jpeg)"));
    EXPECT_EQ(FileDialogFilter(QStringLiteral("Designs|*.velmo|no patterns")),
              QStringLiteral("Designs (*.velmo)"));
    EXPECT_TRUE(FileDialogFilter(QString()).isEmpty());
    // Every language's open filter names the design files.
    for (const int base : {LangEnglish, LangSimplified, LangTraditional}) {
        TLanguageScope language(base);
        const QString filter = FileDialogFilter(LangText(50));
        EXPECT_TRUE(filter.endsWith(QStringLiteral("(*.velmo)"))) << languageName(base);
        EXPECT_FALSE(filter.contains(QLatin1Char('|'))) << languageName(base);
    }
}

TEST_F(PreviewFiles, JpegThumbnailOfASavedDesign) {
    const QString path = savedDesign(QStringLiteral("red.velmo"));
    QImage bitmap;
    ASSERT_TRUE(ReadlxlZoom(path, bitmap));
    // The engine's thumbnail has 100 pixels on the longer side: 100 x 50.
    EXPECT_EQ(bitmap.size(), QSize(100, 50));
    expectNear(bitmap.pixel(50, 25), 255, 0, 0, 12, "thumbnail centre");

    // 100 / 367 < 50 / 111: the full height, and 100 / (50 / 111) = 222 wide.
    const TFilePreview preview = FilePreviewOf(path);
    ASSERT_FALSE(preview.Picture.isNull());
    EXPECT_EQ(preview.Picture.size(), QSize(222, 111));
    EXPECT_EQ(preview.Picture.format(), QImage::Format_BGR888);
    EXPECT_EQ(preview.Size, QSize(200, 100)); // the design's own size
    expectNear(preview.Picture.pixel(111, 55), 255, 0, 0, 12, "preview centre");
    // The extension is compared in lower case.
    const QString upper = folder.filePath(QStringLiteral("RED.VELMO"));
    ASSERT_TRUE(QFile::copy(path, upper));
    EXPECT_EQ(FilePreview(upper).size(), QSize(222, 111));
}

TEST_F(PreviewFiles, ThumbnailKindsAndDamagedHeaders) {
    const QByteArray jpeg = encoded(solid(60, 30, QColor(0, 200, 0)), "JPEG");
    const QByteArray bmp = encoded(solid(30, 60, QColor(0, 0, 200)), "BMP");
    const QByteArray ico = encoded(solid(16, 16, QColor(200, 200, 0)), "ICO");
    const uint32_t n = uint32_t(jpeg.size());
    const struct {
        const char* name;
        QByteArray file;
        QSize thumbnail; // empty: no preview
    } cases[] = {
        {"jpeg", designFile("QNL", 2, 1044, n, jpeg), {60, 30}},
        {"older magic", designFile("LXL", 2, 1044, n, jpeg), {60, 30}},
        {"bitmap", designFile("QNL", 1, 1044, uint32_t(bmp.size()), bmp), {30, 60}},
        {"icon", designFile("QNL", 5, 1044, uint32_t(ico.size()), ico), {16, 16}},
        {"thumbnail after a gap", designFile("QNL", 2, 1100, n, QByteArray(56, 'x') + jpeg),
         {60, 30}},
        {"kind 0", designFile("QNL", 0, 1044, n, jpeg), {}},
        {"metafile kind 3", designFile("QNL", 3, 1044, n, jpeg), {}},
        {"metafile kind 4", designFile("QNL", 4, 1044, n, jpeg), {}},
        {"unknown kind 9", designFile("QNL", 9, 1044, n, jpeg), {}},
        {"other magic", designFile("QNX", 2, 1044, n, jpeg), {}},
        {"length past the end", designFile("QNL", 2, 1044, n + 1, jpeg), {}},
        {"huge length", designFile("QNL", 2, 1044, 0xFFFFFFFFu, jpeg), {}},
        {"offset past the end", designFile("QNL", 2, 0xFFFFFFF0u, n, jpeg), {}},
        {"length 0", designFile("QNL", 2, 1044, 0, jpeg), {}},
        {"damaged jpeg", designFile("QNL", 2, 1044, n, QByteArray(int(n), '\x5a')), {}},
        {"jpeg read as a bitmap", designFile("QNL", 1, 1044, n, jpeg), {}},
        {"short header", designFile("QNL", 2, 1044, n, jpeg).left(600), {}},
        {"empty file", QByteArray(), {}},
    };
    int index = 0;
    for (const auto& c : cases) {
        const QString path = write(QStringLiteral("case%1.velmo").arg(index++), c.file);
        QImage bitmap(3, 3, QImage::Format_BGR888);
        bitmap.fill(Qt::black);
        const bool read = ReadlxlZoom(path, bitmap);
        EXPECT_EQ(read, !c.thumbnail.isEmpty()) << c.name;
        if (read) {
            EXPECT_EQ(bitmap.size(), c.thumbnail) << c.name;
            EXPECT_EQ(bitmap.format(), QImage::Format_BGR888) << c.name;
            EXPECT_EQ(FilePreviewOf(path).Size, QSize(640, 480)) << c.name;
        } else {
            EXPECT_EQ(bitmap.size(), QSize(3, 3)) << c.name << ": the bitmap was touched";
            EXPECT_TRUE(FilePreview(path).isNull()) << c.name;
        }
    }
}

TEST_F(PreviewFiles, BitmapWithoutImageSizeStillPreviewsAndStaysAsItIs) {
    // 734 x 111 fits as 367 x 56 (55.5 to the even neighbour).
    const QByteArray bytes = bitmapWithoutSizeField(734, 111, 30, 120, 220);
    const QString path = write(QStringLiteral("wide.bmp"), bytes);
    const TFilePreview preview = FilePreviewOf(path);
    ASSERT_FALSE(preview.Picture.isNull());
    EXPECT_EQ(preview.Picture.size(), QSize(367, 56));
    EXPECT_EQ(preview.Size, QSize(734, 111));
    expectNear(preview.Picture.pixel(180, 28), 220, 120, 30, 1, "bitmap colour");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes) << "the file on disk was changed";

    // A bitmap without pixels and one that only starts like a bitmap give
    // no preview.
    EXPECT_TRUE(FilePreview(write(QStringLiteral("empty.bmp"), bytes.left(54))).isNull());
    EXPECT_TRUE(FilePreview(write(QStringLiteral("bm.bmp"), QByteArray("BM"))).isNull());
}

TEST_F(PreviewFiles, OtherPicturesGoThroughThePictureImport) {
    const QString png = write(QStringLiteral("tall.png"), encoded(solid(100, 222, QColor(10, 20, 250)), "PNG"));
    const TFilePreview preview = FilePreviewOf(png);
    ASSERT_FALSE(preview.Picture.isNull());
    EXPECT_EQ(preview.Picture.size(), QSize(50, 111));
    EXPECT_EQ(preview.Size, QSize(100, 222));
    expectNear(preview.Picture.pixel(25, 55), 10, 20, 250, 1, "png colour");

    EXPECT_TRUE(FilePreview(write(QStringLiteral("noise.png"), QByteArray(300, '\x17'))).isNull());
    EXPECT_TRUE(FilePreview(write(QStringLiteral("notes.txt"), QByteArray("hello"))).isNull());
    EXPECT_TRUE(FilePreview(folder.filePath(QStringLiteral("missing.jpg"))).isNull());
    EXPECT_TRUE(FilePreview(folder.path()).isNull()); // a folder
}

TEST(TOpenDesignDialogTest, IsAnOpenDialogForDesignFiles) {
    TLanguageScope english(LangEnglish);
    TOpenDesignDialog dialog;
    EXPECT_EQ(dialog.objectName(), QStringLiteral("OPD1"));
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("velmo"));
    EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("Image design file (*.velmo)")});
    auto* tick = child<QCheckBox>(dialog, "ZmCK");
    EXPECT_EQ(tick->text(), QStringLiteral("Show thumbnail"));
    EXPECT_TRUE(tick->isChecked());
    EXPECT_EQ(child<QLabel>(dialog, "Image1")->size(), QSize(367, 111));
    EXPECT_TRUE(child<QLabel>(dialog, "Label1")->text().isEmpty());
    EXPECT_TRUE(dialog.PreviewPicture().isNull());
}

TEST_F(PreviewFiles, TheDialogPreviewsTheSelectedFile) {
    TLanguageScope english(LangEnglish);
    const QString design = savedDesign(QStringLiteral("red.velmo"));
    const QString blank = write(QStringLiteral("blank.velmo"),
                                designFile("QNL", 0, 1044, 0, QByteArray()));
    TOpenDesignDialog dialog;
    TAnsweringRunner runner;
    runner.User = [&](QDialog& d) {
        auto& open = static_cast<TOpenDesignDialog&>(d);
        auto* tick = child<QCheckBox>(d, "ZmCK");
        auto* label = child<QLabel>(d, "Label1");
        open.selectFile(design);
        emit open.currentChanged(design);
        EXPECT_EQ(open.PreviewPicture().size(), QSize(222, 111));
        EXPECT_EQ(label->text(), QStringLiteral("200 x 100"));

        clickAtLeft(tick); // unticked: the preview goes
        EXPECT_FALSE(tick->isChecked());
        EXPECT_TRUE(open.PreviewPicture().isNull());
        EXPECT_TRUE(label->text().isEmpty());
        emit open.currentChanged(blank); // and stays away while unticked
        EXPECT_TRUE(open.PreviewPicture().isNull());
        emit open.currentChanged(design);

        clickAtLeft(tick); // ticked again: the current file shows
        EXPECT_TRUE(tick->isChecked());
        EXPECT_EQ(open.PreviewPicture().size(), QSize(222, 111));
        emit open.currentChanged(blank); // a design without thumbnail clears it
        EXPECT_TRUE(open.PreviewPicture().isNull());
        EXPECT_TRUE(label->text().isEmpty());

        open.selectFile(design);
        emit open.currentChanged(design);
        d.accept(); // QFileDialog::accept, which checks the file exists
    };
    const auto read = RunDialog(runner, dialog, {folder.path(), QString()});
    ASSERT_TRUE(read);
    EXPECT_EQ(QFileInfo(read->FileName).canonicalFilePath(), QFileInfo(design).canonicalFilePath());

    runner.User = [](QDialog& d) { d.reject(); };
    EXPECT_FALSE(RunDialog(runner, dialog, {folder.path(), QString()}));
}

// A user who types the name rather than clicking the file sees it too.
TEST_F(PreviewFiles, ATypedFileNamePreviews) {
    const QString design = savedDesign(QStringLiteral("typed.velmo"));
    TOpenDesignDialog dialog;
    dialog.Preset({folder.path(), QString()});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* name = child<QLineEdit>(dialog, "fileNameEdit");
    name->setFocus();
    QTest::keyClicks(name, QStringLiteral("typed.vel"));
    EXPECT_TRUE(dialog.PreviewPicture().isNull());
    QTest::keyClicks(name, QStringLiteral("mo"));
    EXPECT_EQ(dialog.PreviewPicture().size(), QSize(222, 111));
    dialog.hide();
}

TEST_F(PreviewFiles, PresetFileShowsItsPreviewAtOnce) {
    const QString design = savedDesign(QStringLiteral("first.velmo"));
    TOpenDesignDialog dialog;
    dialog.Preset({folder.path(), design});
    EXPECT_EQ(dialog.PreviewPicture().size(), QSize(222, 111));
    EXPECT_EQ(dialog.CurrentFile(), design);
}

TEST_F(PreviewFiles, ThePreviewFrameFitsInEveryLanguage) {
    const QString design = savedDesign(QStringLiteral("red.velmo"));
    for (const int base : {LangEnglish, LangSimplified, LangTraditional}) {
        TLanguageScope language(base);
        TOpenDesignDialog dialog;
        dialog.Preset({folder.path(), design});
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog)) << languageName(base);
        auto* frame = child<QWidget>(dialog, "TFrame10");
        const QStringList faults = LayoutFaults(dialog);
        EXPECT_TRUE(faults.isEmpty()) << languageName(base) << ":\n"
                                      << faults.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(child<QCheckBox>(dialog, "ZmCK")->text(), LangText(139));
        // The frame lies inside the dialog, under its file list, and the
        // picture keeps its size.
        EXPECT_TRUE(dialog.rect().contains(frame->geometry())) << languageName(base);
        // The side bar and the list (or detail view) share one splitter.
        const QWidget* list = child<QWidget>(dialog, "splitter");
        EXPECT_GE(frame->mapTo(&dialog, QPoint(0, 0)).y(),
                  list->mapTo(&dialog, QPoint(0, list->height())).y())
            << languageName(base);
        EXPECT_EQ(child<QLabel>(dialog, "Image1")->size(), QSize(367, 111));
        dialog.hide();
    }
}

} // namespace
