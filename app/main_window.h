#pragma once

// The design window: a wizard of three steps on one page control (canvas,
// layers, printing) with a bottom button bar and a language menu.

#include <QMainWindow>

#include <functional>

#include "history/history_list.h"
#include "history/snapshot_store.h"
#include "program_state.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QTimer;
class TCanvasStep;
class TComposeStep;
class TPrintStep;
class TQtTranslations;
class TStepClickGuard;
class TStepPages;
class TlxImageVcl;
class TUiServices;

class TVelmoBalloonForm : public QMainWindow {
    Q_OBJECT
public:
    // Every question the window puts on screen goes through Services.
    explicit TVelmoBalloonForm(TUiServices& Services, QWidget* parent = nullptr);
    ~TVelmoBalloonForm() override;

    // Re-captions every control from the block of Base (100, 1000 or 2000).
    void LoadResString(int Base);
    // The language commands: re-caption, check the item, rebuild the lists
    // whose captions depend on the language.
    void N10Click();
    void N11Click();
    void English1Click();
    void Button2Click();
    // Help in the current language.
    void Button4Click();
    // Next and Back.
    void BitBtn4Click();
    void BitBtn3Click();
    // Fits the document into the scroll box.
    void ShowAll();
    // 0, 1 or 2.
    int CurrentStep() const;
    // Files dropped on the window: the first is inserted in step 2; dropped
    // on another step it waits until step 2 shows.
    void FinishDropped(const QStringList& Files);
    // The dropped file waiting for step 2; empty when none waits.
    QString PendingDrop;
    // The design named on the command line: opened with OpenDesign once the
    // window shows; a file that does not exist is ignored.
    void OpenAtStart(const QString& File);
    // Opens File as the open command does; set by the file commands.
    std::function<bool(const QString&)> OpenDesign;

    // ---- files ----
    // Save: the design file, or its picture as a bitmap, JPEG or PNG; true
    // when a file was written. A failure is reported and keeps Modified.
    bool BitBtn11Click();
    // The save dialog's entries: the table's three and the PNG picture.
    static QStringList SaveFilters();
    // Open: a design file chosen in the open dialog.
    void BitBtn2Click();
    // Opens File into the document and shows it in step 2; a file that
    // cannot be opened is reported and changes nothing.
    bool LoadDesign(const QString& File);
    // Create new: back to step 1 with no design (asking first when the
    // design is modified).
    void BitBtn13Click();
    // Print the design at true size.
    void BitBtn10Click();
    // Chooses the design file to open; the file dialog with its preview
    // unless set otherwise.
    std::function<QString()> ChooseDesignToOpen;

    // The program-wide values; the steps are given it by reference.
    TProgramState State;
    // The undo history of step 2 and the folder of its snapshots.
    TSnapshotStore Snapshots;
    THistoryList History;

    TlxImageVcl* lxImg = nullptr;
    TStepPages* PageControl1 = nullptr;
    TCanvasStep* TabSheet1 = nullptr;
    TComposeStep* TabSheet2 = nullptr;
    TPrintStep* TabSheet3 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QLabel* Image2 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn13 = nullptr;
    QPushButton* BitBtn15 = nullptr;
    QPushButton* BitBtn26 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn10 = nullptr;
    QPushButton* BitBtn11 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button4 = nullptr;
    QProgressBar* Pb1 = nullptr;
    QMenu* PopupMenu5 = nullptr;
    QAction* N10 = nullptr;
    QAction* N11 = nullptr;
    QAction* English1 = nullptr;
    QTimer* Timer1 = nullptr;
    // Keeps a double click on Next or Back to one step.
    TStepClickGuard* StepGuard = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void RefBkimage();
    void lxImgShowProgressBox(int ProgressValue);
    void lxImgProgress(int MaxValue, int ProgressValue);
    void showStep(int step);
    // Re-captions everything in the language of block Base, checks its menu
    // item and rebuilds what depends on the language.
    void setLanguage(int Base);
    void updateButtons();
    void insertPendingDrop();

    // The step-2 tab has been reached once: its caption becomes the
    // composing guidance.
    bool step2Entered_ = false;
    bool gradientsLoaded_ = false;
    TQtTranslations* qtTranslations_ = nullptr;
    TUiServices& services_;
};
