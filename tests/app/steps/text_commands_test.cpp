#include "app/window_fixture.h"
#include "codepage.h"
#include "colour_box.h"
#include "freehand_text_dialog.h"
#include "insert_text_dialog.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "steps/compose_step.h"
#include "steps/layer_list.h"
#include "steps/mask_list.h"
#include "steps/text_effect_list.h"
#include "text_description.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QToolButton>

#include <functional>

namespace {

// Step 2 of a 19 x 19 cm design: 748 x 748 pixels.
class TextCommandsTest : public WindowTest {
protected:
    std::unique_ptr<TVelmoBalloonForm> stepTwo() { return stepTwoWindow("19"); }
    static TComposeStep& step(TVelmoBalloonForm& w) { return *w.TabSheet2; }
    static TlxLayer& layer(TVelmoBalloonForm& w, int Index) { return w.lxImg->Layers[size_t(Index)]; }
    static void undo(TVelmoBalloonForm& w) { QTest::mouseClick(step(w).BitBtn14, Qt::LeftButton); }

    // Answers the insert-text dialog as a user would: Fill sets its values,
    // then OK. What the dialog showed first is kept in Shown.
    void answerText(std::function<void(TForm7&)> Fill) {
        services.DialogAnswer = [this, Fill](QDialog& d) -> int {
            auto* form = dynamic_cast<TForm7*>(&d);
            if (!form) return QDialog::Rejected;
            ++textDialogs;
            Shown = form->Read();
            shownTitle = form->windowTitle();
            Fill(*form);
            form->BitBtn1Click();
            return form->result();
        };
    }
    void insertText(TVelmoBalloonForm& w, const QString& Text, const QString& Size = QStringLiteral("40")) {
        answerText([Text, Size](TForm7& f) {
            f.Edit1->setPlainText(Text);
            f.CB2->setEditText(Size);
        });
        QTest::mouseClick(step(w).BitBtn6, Qt::LeftButton);
    }
    void selectRow(TVelmoBalloonForm& w, int Row) { step(w).ListView1->setCurrentRow(Row); }
    void applyEffect(TVelmoBalloonForm& w, int Row) {
        step(w).ListView3->setCurrentRow(Row);
        step(w).ListView3DblClick();
    }
    static QString caption(TVelmoBalloonForm& w, int Row) { return step(w).ListView1->item(Row)->text(); }

    TForm7Settings Shown;
    QString shownTitle;
    int textDialogs = 0;
};

TEST_F(TextCommandsTest, InsertingPutsTheTextCentredOnTopAndUndoTakesItAway) {
    auto w = stepTwo();
    insertText(*w, QStringLiteral("Hello"));
    EXPECT_EQ(shownTitle, LangText(56));
    ASSERT_EQ(w->lxImg->LayersCount, 2);
    const TlxLayer& text = layer(*w, 1);
    ASSERT_TRUE(text.IsText);
    EXPECT_EQ(TextOf(text.TextStyle), std::string("Hello"));
    EXPECT_EQ(text.TextStyle.Size, 40);
    EXPECT_EQ(text.Left, (748 - text.Bitmap.width()) / 2);
    EXPECT_EQ(text.Top, (748 - text.Bitmap.height()) / 2);
    // A short text names its layer.
    EXPECT_EQ(caption(*w, 0), QStringLiteral("Hello"));
    EXPECT_EQ(w->lxImg->CurrLayerID, 1);
    EXPECT_EQ(w->History.Item(w->History.Count() - 1).Kind, 1);
    EXPECT_TRUE(w->State.Modified);
    // The text tools show, the picture tools do not.
    EXPECT_TRUE(step(*w).ListView3->isVisible());
    EXPECT_TRUE(step(*w).BitBtn7->isVisible());
    EXPECT_TRUE(w->BitBtn26->isVisible());
    EXPECT_FALSE(step(*w).ListView2->isVisible());
    EXPECT_FALSE(step(*w).BitBtn9->isVisible());
    EXPECT_FALSE(w->BitBtn15->isVisible());
    EXPECT_EQ(w->Button3->text(), LangText(243));
    EXPECT_EQ(step(*w).ListView1->item(0)->toolTip(), LangText(270));

    undo(*w);
    EXPECT_EQ(w->lxImg->LayersCount, 1);
    EXPECT_EQ(step(*w).ListView1->count(), 0);
    EXPECT_FALSE(step(*w).ListView3->isVisible());
    EXPECT_FALSE(step(*w).BitBtn7->isVisible());

    // Cancelled: nothing is added.
    services.DialogAnswer = [](QDialog&) { return int(QDialog::Rejected); };
    QTest::mouseClick(step(*w).BitBtn6, Qt::LeftButton);
    EXPECT_EQ(w->lxImg->LayersCount, 1);
}

// The engine's "文本层 n" is "Text Layer n" outside Simplified Chinese, and
// no two text layers share a number whichever language named them.
TEST_F(TextCommandsTest, LongerTextsAreNumberedTextLayersInEveryLanguage) {
    auto w = stepTwo();
    const QString longText = QStringLiteral("A text longer than sixteen bytes");
    w->N10->trigger(); // Simplified Chinese
    insertText(*w, longText);
    insertText(*w, longText);
    EXPECT_EQ(caption(*w, 0), QStringLiteral("文本层 2"));
    EXPECT_EQ(caption(*w, 1), QStringLiteral("文本层 1"));
    w->English1->trigger();
    insertText(*w, longText);
    EXPECT_EQ(caption(*w, 0), QStringLiteral("Text Layer 3"));
    EXPECT_EQ(layer(*w, 3).Name, "Text Layer 3");
    insertText(*w, longText);
    EXPECT_EQ(caption(*w, 0), QStringLiteral("Text Layer 4"));
    // Back in Simplified Chinese the count goes on.
    w->N10->trigger();
    insertText(*w, longText);
    EXPECT_EQ(caption(*w, 0), QStringLiteral("文本层 5"));

    TlxImage doc;
    ASSERT_TRUE(doc.NewImage(true, lxRGB(255, 255, 255), 24, 50, 50));
    TlxTextStyle style{};
    SetText(style, "a longer text of many bytes");
    style.Size = 10;
    ASSERT_TRUE(doc.AddTextLayer(0, 0, style));
    doc.Layers[1].Name = lx::toGbk(QStringLiteral("文本层 1"));
    ASSERT_TRUE(doc.AddTextLayer(0, 0, style));
    doc.Layers[2].Name = lx::toGbk(QStringLiteral("文本层 2"));
    ASSERT_TRUE(doc.AddTextLayer(0, 0, style));
    ASSERT_EQ(doc.Layers[3].Name, lx::toGbk(QStringLiteral("文本层 3")));
    EXPECT_EQ(TComposeStep::TextLayerName(doc, 3, LangEnglish), "Text Layer 3");
    EXPECT_EQ(TComposeStep::TextLayerName(doc, 3, LangTraditional), "Text Layer 3");
    EXPECT_EQ(TComposeStep::TextLayerName(doc, 3, LangSimplified), lx::toGbk(QStringLiteral("文本层 3")));
    // A name made from the text stays.
    doc.Layers[3].Name = "Hello";
    EXPECT_EQ(TComposeStep::TextLayerName(doc, 3, LangEnglish), "Hello");
}

TEST_F(TextCommandsTest, EditingAgainKeepsTheNameAndFreehandTextGoesToTheCorner) {
    auto w = stepTwo();
    // A freehand text of six characters placed by hand, moved off the corner.
    TForm7Settings made;
    made.Text = QStringLiteral("abcdef");
    made.Arrangement = 5;
    made.SizeText = QStringLiteral("30");
    made.FreehandCount = 6;
    for (int i = 0; i < 6; ++i) made.FreehandPoints[size_t(i)] = QPoint(100 + 60 * i, 120 + 20 * i);
    made.FreehandAngles[1] = 15;
    const std::optional<TlxTextStyle> style = textdesc::TextDescription(made);
    ASSERT_TRUE(style);
    ASSERT_TRUE(w->lxImg->AddTextLayer(0, 0, *style));
    layer(*w, 1).Left = 30;
    layer(*w, 1).Top = 40;
    layer(*w, 1).Name = "freehand";
    step(*w).RebuildLayerList();
    selectRow(*w, 0);
    const int historyBefore = w->History.Count();

    // The dialog opens with the layer's text, places and arrangement; a new
    // colour is chosen and OK pressed.
    answerText([](TForm7& f) { f.CorBox1->SetSelected(lxRGB(255, 0, 0)); });
    QTest::mouseClick(step(*w).BitBtn7, Qt::LeftButton);
    // The places were kept: no drawing was asked for.
    ASSERT_EQ(textDialogs, 1);
    EXPECT_EQ(shownTitle, LangText(45));
    EXPECT_EQ(Shown.Text, QStringLiteral("abcdef"));
    EXPECT_EQ(Shown.Arrangement, 5);
    EXPECT_EQ(Shown.FreehandCount, 6);
    EXPECT_EQ(Shown.FreehandPoints[2], QPoint(220, 160));
    EXPECT_EQ(Shown.FreehandAngles[1], 15);
    // Shown as freehand, the text takes medium smoothing.
    EXPECT_EQ(Shown.Smoothing, 2);
    EXPECT_EQ(w->State.TextReEdit, 0);

    const TlxLayer& edited = layer(*w, 1);
    EXPECT_EQ(edited.Left, 0);
    EXPECT_EQ(edited.Top, 0);
    EXPECT_EQ(FreehandPlace(edited.TextStyle, 2).X, 220);
    EXPECT_EQ(FreehandPlace(edited.TextStyle, 1).Angle, 15);
    EXPECT_EQ(edited.TextStyle.Color, lxRGB(255, 0, 0));
    EXPECT_EQ(edited.Name, "freehand");
    EXPECT_EQ(caption(*w, 0), QStringLiteral("freehand"));
    ASSERT_EQ(w->History.Count(), historyBefore + 1);
    EXPECT_EQ(w->History.Item(w->History.Count() - 1).Kind, 10);

    undo(*w);
    EXPECT_EQ(layer(*w, 1).TextStyle.Color, style->Color);
    EXPECT_EQ(layer(*w, 1).Left, 30);
    EXPECT_EQ(layer(*w, 1).Top, 40);
}

// Each enabled effect is built again for the new letters, and undoing the
// edit while another layer is selected draws the edited layer as it was.
TEST_F(TextCommandsTest, EditingAgainRebuildsEffectsAndUndoRestoresTheEditedLayer) {
    auto w = stepTwo();
    insertText(*w, QStringLiteral("Glow"), QStringLiteral("30"));
    applyEffect(*w, 7);
    ASSERT_TRUE(layer(*w, 1).Style.OuterGlowOn);
    ASSERT_TRUE(layer(*w, 1).Style.BevelOn);
    const QSize oldSize = layer(*w, 1).Bitmap.size();
    const QSize oldBevel = layer(*w, 1).Style.BevelMask.size();
    const QSize oldGlow = layer(*w, 1).Style.OuterGlowMask.size();
    ASSERT_FALSE(oldBevel.isEmpty());

    answerText([](TForm7& f) { f.CB2->setEditText(QStringLiteral("60")); });
    QTest::mouseClick(step(*w).BitBtn7, Qt::LeftButton);
    const TlxLayer& big = layer(*w, 1);
    EXPECT_EQ(big.TextStyle.Size, 60);
    EXPECT_GT(big.Bitmap.width(), oldSize.width());
    EXPECT_NE(big.Style.BevelMask.size(), oldBevel);
    EXPECT_NE(big.Style.OuterGlowMask.size(), oldGlow);
    EXPECT_TRUE(big.Style.OuterGlowOn && big.Style.BevelOn);

    // Another layer on top is selected when the edit is taken back.
    QImage picture(20, 20, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(step(*w).AddBitmapToImage(picture));
    w->History.DropLast(); // only the re-edit is to be undone
    selectRow(*w, 0);
    ASSERT_EQ(w->lxImg->CurrLayerID, 2);
    undo(*w);
    const TlxLayer& back = layer(*w, 1);
    EXPECT_EQ(back.TextStyle.Size, 30);
    EXPECT_EQ(back.Bitmap.size(), oldSize);
    EXPECT_EQ(back.Style.BevelMask.size(), oldBevel);
    EXPECT_EQ(back.Style.OuterGlowMask.size(), oldGlow);
}

TEST_F(TextCommandsTest, TextEffectsAreOneStepBackEachAndRowZeroRemovesThem) {
    auto w = stepTwo();
    insertText(*w, QStringLiteral("Shadow"));
    EXPECT_FALSE(layer(*w, 1).Style.DropShadowOn);
    const int before = w->History.Count();
    applyEffect(*w, 1); // light drop shadow
    EXPECT_TRUE(layer(*w, 1).Style.DropShadowOn);
    ASSERT_EQ(w->History.Count(), before + 1);
    EXPECT_EQ(w->History.Item(w->History.Count() - 1).Kind, 9);
    applyEffect(*w, 3); // red hollow letters: a stroke
    EXPECT_TRUE(layer(*w, 1).Style.StrokeOn);
    applyEffect(*w, 0);
    EXPECT_FALSE(layer(*w, 1).Style.StrokeOn);
    EXPECT_FALSE(layer(*w, 1).Style.DropShadowOn);
    undo(*w);
    EXPECT_TRUE(layer(*w, 1).Style.StrokeOn);
    undo(*w);
    EXPECT_FALSE(layer(*w, 1).Style.StrokeOn);
    EXPECT_TRUE(layer(*w, 1).Style.DropShadowOn);
    undo(*w);
    EXPECT_FALSE(layer(*w, 1).Style.DropShadowOn);
    EXPECT_EQ(w->History.Count(), before);

    // Nothing is written to the shared temporary folder.
    EXPECT_FALSE(QFile::exists(QDir::temp().filePath(QStringLiteral("~VelmoBalloon.style"))));
}

TEST_F(TextCommandsTest, ADeletedTextLayerComesBackWithItsNamePlaceAndEffect) {
    auto w = stepTwo();
    w->English1->trigger();
    const QString longText = QStringLiteral("A text longer than sixteen bytes");
    insertText(*w, longText);
    insertText(*w, longText);
    insertText(*w, QStringLiteral("top"));
    // The middle text layer: moved and given an effect.
    selectRow(*w, 1);
    ASSERT_EQ(w->lxImg->CurrLayerID, 2);
    applyEffect(*w, 11);
    ASSERT_TRUE(layer(*w, 2).Style.StrokeOn);
    layer(*w, 2).Left = 17;
    layer(*w, 2).Top = 23;
    const TlxTextStyle description = layer(*w, 2).TextStyle;

    services.MessageAnswer = QMessageBox::Yes;
    QTest::mouseClick(w->Button3, Qt::LeftButton);
    ASSERT_EQ(w->lxImg->LayersCount, 3);
    EXPECT_EQ(w->History.Item(w->History.Count() - 1).Kind, 8);

    undo(*w);
    ASSERT_EQ(w->lxImg->LayersCount, 4);
    const TlxLayer& back = layer(*w, 2);
    ASSERT_TRUE(back.IsText);
    EXPECT_EQ(TextOf(back.TextStyle), TextOf(description));
    EXPECT_EQ(back.Left, 17);
    EXPECT_EQ(back.Top, 23);
    EXPECT_TRUE(back.Style.StrokeOn);
    // Its own name, not a new number the engine would give it.
    EXPECT_EQ(back.Name, "Text Layer 2");
    EXPECT_EQ(caption(*w, 1), QStringLiteral("Text Layer 2"));
    EXPECT_EQ(caption(*w, 0), QStringLiteral("top"));
    EXPECT_EQ(caption(*w, 2), QStringLiteral("Text Layer 1"));
}

TEST_F(TextCommandsTest, PictureLayersShowThePictureToolsAgain) {
    auto w = stepTwo();
    insertText(*w, QStringLiteral("Hi"));
    QImage picture(20, 20, QImage::Format_RGB32);
    picture.fill(Qt::green);
    ASSERT_TRUE(step(*w).AddBitmapToImage(picture));
    selectRow(*w, 0);
    EXPECT_TRUE(step(*w).ListView2->isVisible());
    EXPECT_TRUE(step(*w).BitBtn9->isVisible());
    EXPECT_TRUE(w->BitBtn15->isVisible());
    EXPECT_FALSE(step(*w).ListView3->isVisible());
    EXPECT_FALSE(step(*w).BitBtn7->isVisible());
    EXPECT_FALSE(w->BitBtn26->isVisible());
    selectRow(*w, 1);
    EXPECT_TRUE(step(*w).ListView3->isVisible());
    EXPECT_TRUE(w->BitBtn26->isVisible());
    // The bottom bar's re-edit button edits the selected text.
    answerText([](TForm7& f) { f.Edit1->setPlainText(QStringLiteral("Ho")); });
    QTest::mouseClick(w->BitBtn26, Qt::LeftButton);
    EXPECT_EQ(TextOf(layer(*w, 1).TextStyle), std::string("Ho"));
}

} // namespace
