// The step-2 commands that decorate a layer through the editing dialogs: the
// layer style dialog (the text-effect list's last row, and the picture
// menu's "Layer style..."), the curves adjustment of a picture layer, and
// the gradient definitions both of them draw from.

#include "steps/compose_step.h"

#include "curves_dialog.h"
#include "gradient_definitions.h"
#include "gradient_editor.h"
#include "history/history_records.h"
#include "history/snapshot_store.h"
#include "layer_style_dialog.h"
#include "lxImagevcl.h"
#include "open_design_dialog.h"
#include "program_state.h"
#include "steps/layer_list.h"
#include "user_interface_services.h"

#include <QListWidgetItem>

void TComposeStep::LoadJbColors() {
    if (GradientFile.isEmpty()) GradientFile = GradientFileName();
    // A file the program cannot make leaves the list empty: the pickers then
    // offer their built-in gradient only.
    EnsureGradientFile(GradientFile);
    Gradients = LoadGradientDefinitions(GradientFile);
}

bool TComposeStep::EditLayerStyle(int Layer) {
    if (Layer < 1 || Layer >= lxImg->LayersCount || Layer != lxImg->CurrLayerID) return false;
    if (GradientFile.isEmpty()) LoadJbColors();
    // The style as it is now goes into the history first; a dialog that does
    // not end with OK is taken back through that step.
    AddHistory(TStyleRecord::Capture(*lxImg, Layer, snapshots_));
    TLayerStyleHooks hooks;
    hooks.Gradients = &Gradients;
    hooks.EditGradient = [this](QWidget* Parent) -> std::optional<int> {
        TForm17 editor(services_, Parent);
        TForm17Settings preset;
        preset.Gradients = Gradients;
        preset.FileName = GradientFile;
        const std::optional<TForm17Settings> made = RunDialog(services_, editor, preset);
        if (!made) return std::nullopt;
        if (made->Tag == -1) Gradients = LoadGradientDefinitions(GradientFile);
        return made->Tag;
    };
    hooks.EditContour = [this](QWidget* Parent, TlxContour& Contour) {
        return EditContour(services_, Parent, Contour);
    };
    hooks.FitStops = [](const TColorlistSrcd& Stops) {
        return FitGradientStops(Stops, TlxGradientStyle::MaxStops);
    };
    hooks.Recompose = [this] {
        lxImg->ReDraw();
        lxImg->ApplyZoom();
        RepaintCanvas();
    };
    // The dialog names its files as "description|patterns" pairs.
    hooks.ChoosePatternFile = [this](QWidget* Parent, const QString& Filter) {
        return services_.ChooseFileToOpen(Parent, QString(), QString(), FileDialogFilter(Filter));
    };
    int result = QDialog::Rejected;
    {
        TForm63 dialog(services_, *lxImg, std::move(hooks), window());
        // The dialog opens on the blending-options row showing the layer's
        // blend mode (kept in range) and opacity; nothing more to preset.
        result = services_.RunModal(dialog);
    }
    if (result != QDialog::Accepted) {
        BitBtn14Click();
        return false;
    }
    afterChange();
    return true;
}

void TComposeStep::NLayerStyleClick() {
    if (!layerSelected()) return;
    EditLayerStyle(lxImg->CurrLayerID);
}

void TComposeStep::NCurvesClick() {
    if (!layerSelected() || isFixedOverlay(lxImg->CurrLayerID)) return;
    const int current = lxImg->CurrLayerID;
    if (lxImg->Layers[size_t(current)].IsText) return;
    const QListWidgetItem* row = ListView1->item(ListView1->RowOfLayer(current, *lxImg));
    const bool wasModified = state_.Modified;
    // The picture as it is now is kept for undo before the dialog changes it
    // live; a dialog that changed nothing gives the step back.
    AddHistory(TReshapeRecord::Capture(*lxImg, current, snapshots_, row ? row->text() : QString()));
    TCurvesTarget target;
    target.Document = lxImg;
    target.Layer = current;
    target.Recompose = [this] {
        lxImg->ReDraw();
        lxImg->ApplyZoom();
        RepaintCanvas();
    };
    bool changed = false;
    {
        TForm80 dialog(services_, window());
        dialog.SetTarget(target);
        changed = services_.RunModal(dialog) == QDialog::Accepted && dialog.Applied();
    }
    if (!changed) {
        history_.DropLast();
        state_.Modified = wasModified;
        afterChange();
        return;
    }
    refreshPristine();
    LayerPictureChanged(current);
    afterChange();
}
