#include "history/history_list.h"
#include "history/history_records.h"
#include "history/layer_snapshot.h"
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
    void RemoveLayer(int Layer) override { Doc.DeleteLayer(Layer); }
    void LayerRestored(int Layer, const QString& Caption) override {
        Restored.push_back({Layer, Caption});
    }
    void ApplyMaskRow(int Layer, int Row) override { MaskRows.push_back({Layer, Row}); }
    std::vector<std::pair<int, QString>> Restored;
    std::vector<std::pair<int, int>> MaskRows;
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

// Four layers A B C D (bottom to top), C deleted, then D moved: undoing the
// deletion puts C back at index 3 with A, B and D in their order.
TEST(HistoryListTest, ADeletedMiddleLayerComesBackAtItsIndexWithTheOthersInOrder) {
    TRecordingHost host;
    TSnapshotStore store;
    ASSERT_TRUE(host.Doc.NewImage(true, lxRGB(255, 255, 255), 24, 40, 40));
    const QRgb colours[] = {qRgb(10, 0, 0), qRgb(20, 0, 0), qRgb(30, 0, 0), qRgb(40, 0, 0)};
    for (QRgb c : colours)
        ASSERT_TRUE(host.Doc.AddBitmapLayer(picture(4, 4, c)));
    host.Doc.Layers[3].Left = 7;
    host.Doc.Layers[3].Top = -5;
    host.Doc.Layers[3].Opacity = 0.5;
    THistoryList history;
    history.Add(TDeleteRecord::Capture(host.Doc, 3, store, QStringLiteral("C.png")));
    ASSERT_TRUE(host.Doc.DeleteLayer(3));
    ASSERT_EQ(host.Doc.LayersCount, 4);
    ASSERT_TRUE(history.UndoLast(host));
    ASSERT_EQ(host.Doc.LayersCount, 5);
    // Red byte of each layer's first pixel, bottom to top.
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(host.Doc.Layers[size_t(i)].Bitmap.constScanLine(0)[2], 10 * i) << i;
    EXPECT_EQ(host.Doc.Layers[3].Left, 7);
    EXPECT_EQ(host.Doc.Layers[3].Top, -5);
    EXPECT_DOUBLE_EQ(host.Doc.Layers[3].Opacity, 0.5);
    EXPECT_EQ(host.Doc.Layers[3].Name, "C.png");
    EXPECT_EQ(host.Doc.CurrLayerID, 3);
    ASSERT_EQ(host.Restored.size(), 1u);
    EXPECT_EQ(host.Restored[0], std::make_pair(3, QStringLiteral("C.png")));
}

// A mask from list rows 1 .. 20 is remembered by its row when a layer is
// reshaped or deleted, one from rows 21 .. 31 or a file by a picture; the
// mask list's own step remembers every row by number.
TEST(HistoryListTest, MaskReferencesNameTheRowOrKeepAPicture) {
    TRecordingHost host;
    TSnapshotStore store;
    ASSERT_TRUE(host.Doc.NewImage(true, lxRGB(255, 255, 255), 24, 40, 40));
    ASSERT_TRUE(host.Doc.AddBitmapLayer(picture(4, 4, qRgb(1, 2, 3))));
    TlxLayer& layer = host.Doc.Layers[1];
    EXPECT_EQ(TReshapeRecord::Capture(host.Doc, 1, store, QString())->MaskRef, QStringLiteral("@"));
    QImage mask(4, 4, QImage::Format_Grayscale8);
    mask.fill(200);
    ASSERT_TRUE(host.Doc.SetLayerMaskPicture(1, mask));
    struct Case {
        int Index;
        const char* Reshape; // nullptr: a snapshot file
        const char* MaskStep;
    };
    const Case cases[] = {{20, "#20", "#20"}, {21, nullptr, "#21"}, {31, nullptr, "#31"},
                          {132, nullptr, nullptr}, {0, nullptr, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Index);
        history::SetMaskIndex(layer, c.Index);
        const QString reshape = TReshapeRecord::Capture(host.Doc, 1, store, QString())->MaskRef;
        const QString step = TMaskRecord::Capture(host.Doc, 1, store)->MaskRef;
        const QString deleted = TDeleteRecord::Capture(host.Doc, 1, store, QString())->MaskRef;
        for (const auto& [ref, expected] :
             {std::pair{reshape, c.Reshape}, {step, c.MaskStep}, {deleted, c.Reshape}}) {
            if (expected) {
                EXPECT_EQ(ref, QString::fromLatin1(expected));
            } else {
                ASSERT_TRUE(QFile::exists(ref)) << ref.toStdString();
                // The snapshot is the mask itself.
                QImage back = history::ReadBitmap(ref);
                ASSERT_EQ(back.size(), QSize(4, 4));
                EXPECT_EQ(qRed(back.pixel(1, 1)), 200);
            }
        }
    }
    // Undoing a mask step that remembers a row asks the window to apply it.
    history::SetMaskIndex(layer, 9);
    THistoryList history;
    history.Add(TMaskRecord::Capture(host.Doc, 1, store));
    ASSERT_TRUE(history.UndoLast(host));
    ASSERT_EQ(host.MaskRows.size(), 1u);
    EXPECT_EQ(host.MaskRows[0], std::make_pair(1, 9));
}

} // namespace
