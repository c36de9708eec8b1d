// The step-2 commands of text layers: inserting a text, editing it again,
// and giving it one of the built-in text effects.

#include "steps/compose_step.h"

#include "codepage.h"
#include "history/history_records.h"
#include "history/layer_snapshot.h"
#include "history/snapshot_store.h"
#include "insert_text_dialog.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "program_state.h"
#include "program_strings.h"
#include "steps/layer_list.h"
#include "steps/text_effect_list.h"
#include "text_description.h"
#include "user_interface_services.h"
#include "velmo_assets.h"
#include "widgets/wait_cursor.h"

#include <QPushButton>

#include <set>

namespace {

// The engine's name for a text layer of a longer text, and the name it
// takes outside Simplified Chinese.
const std::string kEngineTextPrefix = lx::toGbk(QStringLiteral("文本层 "));
const std::string kEnglishTextPrefix = "Text Layer ";

// The number after Prefix in Name; 0 when Name is not Prefix and a number.
int numberAfter(const std::string& Name, const std::string& Prefix) {
    if (Name.size() <= Prefix.size() || Name.compare(0, Prefix.size(), Prefix) != 0) return 0;
    int n = 0;
    for (size_t i = Prefix.size(); i < Name.size(); ++i) {
        if (Name[i] < '0' || Name[i] > '9' || n > 100000) return 0;
        n = n * 10 + (Name[i] - '0');
    }
    return n;
}

} // namespace

std::string TComposeStep::TextLayerName(const TlxImage& Doc, int Layer, int Base) {
    const std::string made = Doc.Layers[size_t(Layer)].Name;
    // Names made from the text itself stay as they are.
    if (numberAfter(made, kEngineTextPrefix) == 0) return made;
    // A number no other text layer carries, whichever language named it.
    std::set<int> taken;
    for (int i = 1; i < Doc.LayersCount; ++i) {
        if (i == Layer) continue;
        const std::string& name = Doc.Layers[size_t(i)].Name;
        for (const std::string* prefix : {&kEngineTextPrefix, &kEnglishTextPrefix})
            if (const int n = numberAfter(name, *prefix)) taken.insert(n);
    }
    int number = 1;
    while (taken.count(number)) ++number;
    return (Base == LangSimplified ? kEngineTextPrefix : kEnglishTextPrefix) +
           std::to_string(number);
}

TForm96Settings TComposeStep::freehandBackground() {
    TForm96Settings s;
    s.ScreenPPI = lxImg->ScreenPPI;
    // While a text is edited again its old self stays out of the picture.
    TlxLayer* hidden = nullptr;
    if (state_.TextReEdit == 1 && layerSelected() && lxImg->Layers[size_t(lxImg->CurrLayerID)].IsText &&
        lxImg->Layers[size_t(lxImg->CurrLayerID)].Visible) {
        hidden = &lxImg->Layers[size_t(lxImg->CurrLayerID)];
        hidden->Visible = false;
        lxImg->InvalidateComposeCache();
    }
    QImage flat;
    if (!lxImg->RenderToAlphaBitmap(flat)) flat = QImage();
    if (hidden) {
        hidden->Visible = true;
        lxImg->InvalidateComposeCache();
    }
    s.Background = flat;
    if (lxImg->HasSelection) s.Selection = lxImg->SelBitmap;
    return s;
}

bool TComposeStep::runTextDialog(TForm7Settings& Settings) {
    TForm7 dialog(services_, window());
    dialog.SetHelpFolder(velmo::HelpFolder());
    dialog.FreehandBackground = [this] { return freehandBackground(); };
    const std::optional<TForm7Settings> chosen = RunDialog(services_, dialog, Settings);
    if (!chosen) return false;
    Settings = *chosen;
    return true;
}

void TComposeStep::BitBtn6Click() {
    if (lxImg->LayersCount < 1) return;
    state_.TextReEdit = 0;
    TForm7Settings settings;
    if (!runTextDialog(settings)) return;
    const std::optional<TlxTextStyle> style = textdesc::TextDescription(settings);
    if (!style) return;
    const TWaitCursor wait;
    if (!lxImg->AddTextLayer(0, 0, *style)) {
        services_.ShowMessage(window(), ProgramText(PsTextNotAdded), QMessageBox::Critical);
        return;
    }
    const int index = lxImg->LayersCount - 1;
    QString caption;
    {
        TlxLayer& layer = lxImg->Layers[size_t(index)];
        layer.Left = (lxImg->ImageWidth - layer.Bitmap.width()) / 2;
        layer.Top = (lxImg->ImageHeight - layer.Bitmap.height()) / 2;
        layer.Name = TextLayerName(*lxImg, index, LangBase);
        history::SetMaskIndex(layer, 0);
        caption = lx::fromGbk(layer.Name);
    }
    listNewLayer(TLayerList::TextIcon(ListView1->devicePixelRatioF()), caption, true);
}

void TComposeStep::BitBtn7Click() {
    if (!layerSelected()) return;
    const int current = lxImg->CurrLayerID;
    if (!lxImg->Layers[size_t(current)].IsText) return;
    TForm7Settings settings = textdesc::SettingsFromDescription(lxImg->Layers[size_t(current)].TextStyle);
    settings.Caption = LangText(45);
    state_.TextReEdit = 1;
    const bool chosen = runTextDialog(settings);
    state_.TextReEdit = 0;
    if (!chosen) return;
    const std::optional<TlxTextStyle> style = textdesc::TextDescription(settings);
    if (!style) return;
    const bool wasModified = state_.Modified;
    AddHistory(std::make_unique<TReEditRecord>(*lxImg, current));
    const TWaitCursor wait;
    TlxLayer& layer = lxImg->Layers[size_t(current)];
    const TlxTextStyle previous = layer.TextStyle;
    layer.TextStyle = *style;
    if (!lxImg->RenderTextLayer(current)) {
        // The layer keeps the text it had; no step was taken.
        layer.TextStyle = previous;
        lxImg->RenderTextLayer(current);
        history_.DropLast();
        state_.Modified = wasModified;
        services_.ShowMessage(window(), ProgramText(PsTextNotAdded), QMessageBox::Critical);
        return;
    }
    // A freehand text covers the canvas from its corner.
    if (style->Arrangement == lxTextFreehand) {
        layer.Left = 0;
        layer.Top = 0;
    }
    history::RebuildEnabledEffects(*lxImg, current);
    forgetPristine();
    afterChange();
    showPosition();
}

void TComposeStep::ListView3DblClick() {
    const int row = ListView3->currentRow();
    if (row < 0 || !layerSelected() || !lxImg->Layers[size_t(lxImg->CurrLayerID)].IsText) return;
    // The custom row opens the layer style dialog on the text layer.
    if (row == TTextEffectList::CustomRow) {
        EditLayerStyle(lxImg->CurrLayerID);
        return;
    }
    SetLayerStyle(lxImg->CurrLayerID, row);
}

bool TComposeStep::SetLayerStyle(int Layer, int Row) {
    if (Layer < 1 || Layer >= lxImg->LayersCount || Row < TTextEffectList::RemoveRow ||
        Row >= TTextEffectList::CustomRow)
        return false;
    const QByteArray preset = TlxImage::PresetTextEffect(Row);
    if (preset.isEmpty()) return false;
    const TWaitCursor wait;
    const bool wasModified = state_.Modified;
    AddHistory(TStyleRecord::Capture(*lxImg, Layer, snapshots_));
    // The preset is read from memory; should any part of it not apply, the
    // layer keeps the style it had, whole.
    TlxLayer& layer = lxImg->Layers[size_t(Layer)];
    const TlxLayerStyle style = layer.Style;
    const double opacity = layer.Opacity;
    const uint8_t mode = layer.BlendMode;
    const bool applied =
        lxImg->LoadLayerStyleFromData(Layer, preset) && lxImg->LastFileError.isNone();
    if (!applied) {
        layer.Style = style;
        layer.Opacity = opacity;
        layer.BlendMode = mode;
        lxImg->InvalidateComposeCache();
        history_.DropLast();
        state_.Modified = wasModified;
    }
    afterChange();
    return applied;
}
