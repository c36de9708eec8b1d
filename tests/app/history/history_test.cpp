#include "history/history_list.h"
#include "history/history_records.h"
#include "history/snapshot_store.h"
#include "lxImage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>

#include <vector>

namespace {

// The window as the records see it: the document, and what they asked for.
class TRecordingHost : public THistoryHost {
public:
    TlxImage Doc;
    std::vector<std::pair<int, int>> Swaps;
    std::vector<int> Selected;
    std::vector<int> Repictured;

    TlxImage& Document() override { return Doc; }
    void SwapLayersFromHistory(int A, int B) override {
        Swaps.push_back({A, B});
        Doc.SwapLayers(A, B);
    }
    void SelectLayer(int Layer) override { Selected.push_back(Layer); }
    void LayerPictureChanged(int Layer) override { Repictured.push_back(Layer); }
};

QImage picture(int w, int h, QRgb colour) {
    QImage p(w, h, QImage::Format_ARGB32);
    p.fill(colour);
    return p;
}

TEST(SnapshotStoreTest, NamesNeverRepeatAndTheFolderGoesWithTheStore) {
    QString folder;
    {
        TSnapshotStore store;
        ASSERT_TRUE(store.IsValid());
        folder = store.Folder();
        EXPECT_TRUE(folder.startsWith(QDir::tempPath()));
        // Many names within the same millisecond: all different.
        QSet<QString> names;
        for (int i = 0; i < 200; ++i) {
            const QString name = store.NewFileName(QStringLiteral("bmp"));
            EXPECT_TRUE(QFileInfo(name).fileName().startsWith(QLatin1Char('~')));
            EXPECT_TRUE(name.endsWith(QStringLiteral(".bmp")));
            names.insert(name);
            if (i % 50 == 0) {
                QFile f(name);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            }
        }
        EXPECT_EQ(names.size(), 200);
        EXPECT_TRUE(QDir(folder).exists());
    }
    EXPECT_FALSE(QDir(folder).exists());
}

TEST(HistoryListTest, KeepsTheLastTwentyMovesAndUndoesThemNewestFirst) {
    TRecordingHost host;
    ASSERT_TRUE(host.Doc.NewImage(true, lxRGB(255, 255, 255), 24, 100, 100));
    ASSERT_TRUE(host.Doc.AddBitmapLayer(picture(10, 10, qRgb(1, 2, 3))));
    THistoryList history;
    TlxLayer& layer = host.Doc.Layers[1];
    for (int i = 1; i <= 25; ++i) {
        history.Add(std::make_unique<TMoveRecord>(1, layer.Left, layer.Top));
        layer.Left = i;
        layer.Top = 2 * i;
    }
    EXPECT_EQ(history.Count(), THistoryList::MaxSteps);
    int undone = 0;
    while (history.UndoLast(host))
        ++undone;
    EXPECT_EQ(undone, 20);
    // Back to where the sixth move started, no further.
    EXPECT_EQ(layer.Left, 5);
    EXPECT_EQ(layer.Top, 10);
    EXPECT_FALSE(history.UndoLast(host));
}

TEST(HistoryListTest, SwapIsTakenBackBySwappingAgain) {
    TRecordingHost host;
    ASSERT_TRUE(host.Doc.NewImage(true, lxRGB(255, 255, 255), 24, 50, 50));
    for (QRgb c : {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)})
        ASSERT_TRUE(host.Doc.AddBitmapLayer(picture(4, 4, c)));
    host.Doc.SwapLayers(3, 1);
    THistoryList history;
    history.Add(std::make_unique<TSwapRecord>(3, 1));
    ASSERT_TRUE(history.UndoLast(host));
    ASSERT_EQ(host.Swaps.size(), 1u);
    EXPECT_EQ(host.Swaps[0], std::make_pair(3, 1));
    // Layer 3 is blue again.
    EXPECT_EQ(host.Doc.Layers[3].Bitmap.constScanLine(0)[0], 255);
    EXPECT_EQ(host.Doc.Layers[1].Bitmap.constScanLine(0)[2], 255);
}

TEST(HistoryListTest, ReshapeRestoresPixelsCoveragePlaceStyleAndMask) {
    TRecordingHost host;
    TSnapshotStore store;
    ASSERT_TRUE(host.Doc.NewImage(true, lxRGB(255, 255, 255), 24, 80, 80));
    QImage original = picture(6, 4, qRgba(10, 20, 30, 255));
    original.setPixel(1, 2, qRgba(200, 100, 50, 0));
    original.setPixel(3, 1, qRgba(7, 8, 9, 128));
    ASSERT_TRUE(host.Doc.AddBitmapLayer(original));
    TlxLayer& layer = host.Doc.Layers[1];
    layer.Left = 12;
    layer.Top = 34;
    layer.Style.DropShadowOn = true;
    QImage mask(6, 4, QImage::Format_BGR888);
    mask.fill(QColor(90, 90, 90));
    layer.HasMask = true;
    layer.Mask = mask;

    auto record = TReshapeRecord::Capture(host.Doc, 1, store, QStringLiteral("photo"));
    EXPECT_EQ(record->Kind, hkLayerReshaped);
    EXPECT_TRUE(QFile::exists(record->BmpFile));
    EXPECT_TRUE(QFile::exists(record->StyleFile));
    EXPECT_TRUE(QFile::exists(record->MaskRef));
    const QStringList files = {record->BmpFile, record->StyleFile, record->MaskRef};
    THistoryList history;
    history.Add(std::move(record));

    ASSERT_TRUE(host.Doc.ResizeLayer(1, 12, 8, 2));
    layer.Left = 0;
    layer.Top = 0;
    layer.Style.DropShadowOn = false;
    layer.HasMask = false;
    ASSERT_TRUE(history.UndoLast(host));

    ASSERT_EQ(layer.Bitmap.size(), QSize(6, 4));
    EXPECT_EQ(layer.Left, 12);
    EXPECT_EQ(layer.Top, 34);
    EXPECT_TRUE(layer.Style.DropShadowOn);
    EXPECT_TRUE(layer.HasMask);
    EXPECT_EQ(layer.Mask.pixelColor(0, 0), QColor(90, 90, 90));
    // Colour and coverage come back exactly, also where the coverage is 0.
    EXPECT_EQ(layer.Alpha.constScanLine(2)[1], 0);
    EXPECT_EQ(layer.Alpha.constScanLine(1)[3], 128);
    EXPECT_EQ(layer.Alpha.constScanLine(0)[0], 255);
    const uint8_t* row = layer.Bitmap.constScanLine(2) + 3;
    EXPECT_EQ(row[0], 50);
    EXPECT_EQ(row[1], 100);
    EXPECT_EQ(row[2], 200);
    EXPECT_EQ(host.Repictured, std::vector<int>{1});
    // The undone record's files are gone.
    for (const QString& f : files)
        EXPECT_FALSE(QFile::exists(f)) << f.toStdString();
}

TEST(HistoryListTest, AReshapeWhoseSnapshotVanishedChangesNothing) {
    TRecordingHost host;
    TSnapshotStore store;
    ASSERT_TRUE(host.Doc.NewImage(true, lxRGB(255, 255, 255), 24, 40, 40));
    ASSERT_TRUE(host.Doc.AddBitmapLayer(picture(5, 5, qRgb(1, 1, 1))));
    auto record = TReshapeRecord::Capture(host.Doc, 1, store, QString());
    QFile::remove(record->BmpFile);
    THistoryList history;
    history.Add(std::move(record));
    ASSERT_TRUE(host.Doc.ResizeLayer(1, 10, 10, 2));
    EXPECT_TRUE(history.UndoLast(host));
    EXPECT_EQ(host.Doc.Layers[1].Bitmap.size(), QSize(10, 10));
    EXPECT_EQ(history.Count(), 0);
}

TEST(HistoryListTest, DroppingAndClearingDeleteTheSnapshots) {
    TRecordingHost host;
    TSnapshotStore store;
    ASSERT_TRUE(host.Doc.NewImage(true, lxRGB(255, 255, 255), 24, 40, 40));
    ASSERT_TRUE(host.Doc.AddBitmapLayer(picture(5, 5, qRgb(1, 1, 1))));
    THistoryList history;
    auto first = TReshapeRecord::Capture(host.Doc, 1, store, QString());
    const QString oldest = first->BmpFile, oldestStyle = first->StyleFile;
    history.Add(std::move(first));
    for (int i = 0; i < 19; ++i)
        history.Add(std::make_unique<TMoveRecord>(1, 0, 0));
    EXPECT_TRUE(QFile::exists(oldest));
    history.Add(std::make_unique<TMoveRecord>(1, 0, 0)); // the 21st pushes the first out
    EXPECT_FALSE(QFile::exists(oldest));
    EXPECT_FALSE(QFile::exists(oldestStyle));

    auto last = TReshapeRecord::Capture(host.Doc, 1, store, QString());
    const QString kept = last->BmpFile;
    history.Add(std::move(last));
    EXPECT_TRUE(QFile::exists(kept));
    history.ClearHistoryFile();
    EXPECT_EQ(history.Count(), 0);
    EXPECT_FALSE(QFile::exists(kept));
}

} // namespace
