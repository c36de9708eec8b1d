// The window's file commands: saving the design or exporting its picture,
// opening a design, starting a new one, printing, and the question on
// closing an unsaved design.

#include "main_window.h"

#include "lang_strings.h"
#include "lxImagevcl.h"
#include "open_design_dialog.h"
#include "print_picture.h"
#include "program_strings.h"
#include "qnToolTip.h"
#include "steps/canvas_step.h"
#include "steps/compose_step.h"
#include "steps/print_step.h"
#include "steps/ruler_guides.h"
#include "user_interface_services.h"
#include "widgets/step_pages.h"
#include "widgets/wait_cursor.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QImageWriter>
#include <QPushButton>
#include <QSaveFile>

namespace {

// Name with its extension replaced by Extension (".jpg"), or given it when
// it has none.
QString withExtension(const QString& Name, const QString& Extension) {
    const QFileInfo info(Name);
    const QString file = info.fileName();
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? file.left(dot) : file;
    const QString folder = Name.left(Name.size() - file.size());
    return folder + base + Extension;
}

// Picture written whole as Format into Name, or nothing there changed.
bool writePicture(const QImage& Picture, const QString& Name, const char* Format, int Quality) {
    QSaveFile file(Name);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QImageWriter writer(&file, Format);
    if (Quality >= 0) writer.setQuality(Quality);
    if (!writer.write(Picture)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

QStringList TVelmoBalloonForm::SaveFilters() {
    QStringList entries = FileDialogFilter(LangText(39)).split(QStringLiteral(";;"));
    entries << ProgramText(PsPngFilter);
    return entries;
}

bool TVelmoBalloonForm::BitBtn11Click() {
    HideBalloonTip();
    const QStringList filters = SaveFilters();
    QString chosen = filters.value(0);
    const QString file = services_.ChooseFileToSave(
        this, LangText(8).remove(QLatin1Char('&')).remove(QStringLiteral("...")),
        State.CurrentFileName, filters.join(QStringLiteral(";;")), &chosen);
    if (file.isEmpty()) return false;
    const int kind = std::max<qsizetype>(0, filters.indexOf(chosen));
    const TWaitCursor wait;
    if (kind == 0) {
        const QString name = withExtension(file, QStringLiteral(".velmo"));
        if (!lxImg->SaveToFile(name)) {
            services_.ShowMessage(this, SaveErrorText(lxImg->LastFileError), QMessageBox::Critical);
            return false;
        }
        State.Modified = false;
        return true;
    }
    // The pictures are of the print picture, made now when step 3 has not
    // made it yet.
    QImage picture;
    const char* format = "BMP";
    QString extension = QStringLiteral(".bmp");
    int quality = -1;
    bool made = false;
    if (kind == 3) {
        made = MakeTransparentPicture(*lxImg, picture);
        format = "PNG";
        extension = QStringLiteral(".png");
    } else {
        if (TabSheet3->PrintBitmap.isNull()) MakePrintBitmap(*lxImg, TabSheet3->PrintBitmap);
        picture = TabSheet3->PrintBitmap;
        made = !picture.isNull();
        if (kind == 2) {
            format = "JPEG";
            extension = QStringLiteral(".jpg");
            quality = 90;
        }
    }
    const QString name = withExtension(file, extension);
    if (!made || !writePicture(picture, name, format, quality)) {
        services_.ShowMessage(this, ProgramText(PsExportFailed).arg(name), QMessageBox::Critical);
        return false;
    }
    return true;
}

void TVelmoBalloonForm::BitBtn2Click() {
    HideBalloonTip();
    QString file;
    if (ChooseDesignToOpen) {
        file = ChooseDesignToOpen();
    } else {
        TOpenDesignDialog dialog(this);
        TOpenDesignSettings preset;
        if (!State.CurrentFileName.isEmpty())
            preset.Folder = QFileInfo(State.CurrentFileName).absolutePath();
        if (const std::optional<TOpenDesignSettings> chosen = RunDialog(services_, dialog, preset))
            file = chosen->FileName;
    }
    if (file.isEmpty()) return;
    LoadDesign(file);
}

bool TVelmoBalloonForm::LoadDesign(const QString& File) {
    const TWaitCursor wait;
    // The document takes the file only when all of it was read: a file that
    // cannot be opened leaves the open design as it was.
    if (!lxImg->LoadFromFile(File)) {
        services_.ShowMessage(this, OpenErrorText(File, lxImg->LastFileError), QMessageBox::Critical);
        return false;
    }
    State.CurrentFileName = File;
    TabSheet3->PrintBitmap = QImage();
    TabSheet1->ShowOpenedDesign(*lxImg);
    TabSheet2->ClearHistory();
    TRulerGuides::ReadStoredGuides(*lxImg, State.Guides);
    if (State.Guides.Count == 0) State.Guides.PlaceCentreGuides(lxImg->ImageWidth, lxImg->ImageHeight);
    step2Entered_ = true;
    PageControl1->setTabText(1, LangText(262));
    showStep(1);
    lxImg->CanReDraw = true;
    lxImg->CurrLayerID = 0;
    TabSheet2->RebuildLayerList();
    lxImg->ReDraw();
    ShowAll();
    if (lxImg->HasSelection) lxImg->DrawSelectionOutline();
    TabSheet2->RepaintCanvas();
    return true;
}

void TVelmoBalloonForm::BitBtn13Click() {
    HideBalloonTip();
    // Starting over would lose the design: it may be saved first.
    if (State.Modified) {
        const QMessageBox::StandardButton answer =
            services_.ShowMessage(this, ProgramText(PsNewDesignQuestion), QMessageBox::Question,
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel) return;
        if (answer == QMessageBox::Yes && !BitBtn11Click()) return;
    }
    State.CurrentFileName.clear();
    State.Guides.Count = 0;
    showStep(0);
    TabSheet2->ClearHistory();
    while (lxImg->LayersCount > 0) lxImg->DeleteLayer(lxImg->LayersCount - 1);
    lxImg->CloseImage();
    lxImg->CurrLayerID = 0;
    TabSheet2->RebuildLayerList();
    TabSheet2->SelectionHandles = {};
    TabSheet3->PrintBitmap = QImage();
    TabSheet1->ResetForNewDesign();
    // Nothing is left to lose.
    State.Modified = false;
    lxImg->update();
}

void TVelmoBalloonForm::BitBtn10Click() {
    TabSheet3->BitBtn10Click();
}

void TVelmoBalloonForm::closeEvent(QCloseEvent* event) {
    HideBalloonTip();
    if (State.Modified &&
        services_.ShowMessage(this, LangText(134), QMessageBox::Question,
                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes &&
        !BitBtn11Click()) {
        // The design was not saved after all: the window stays.
        event->ignore();
        return;
    }
    TabSheet2->ClearHistory();
    QMainWindow::closeEvent(event);
}
