// Writes both steps of the main window in every language as pictures, for a
// look at the program without starting it, and lists any layout faults:
//
//   QT_QPA_PLATFORM=offscreen build/tests/app_screens FOLDER [WIDTHxHEIGHT]
//
// The pictures are step1_en.png, step2_en.png, step1_sc.png, ... at 1366 x 768
// unless a size is given, and help_en.png, ... of the help window showing
// each language's first page, step2_text_en.png, ... with five texts
// carrying built-in text effects, step3_portrait_en.png and
// step3_landscape_en.png of the print layout on A4, and close_question_en.png. Dialogs and message boxes are answered by the test
// desktop, so nothing waits for a click.

#include "app/fake_ui_services.h"
#include "app/layout_faults.h"
#include "insert_text_dialog.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "main_window.h"
#include "widgets/step_click_guard.h"
#include "steps/compose_step.h"
#include "steps/layer_list.h"
#include "steps/mask_list.h"
#include "steps/ruler_guides.h"
#include "steps/print_step.h"
#include "steps/text_effect_list.h"
#include "widgets/help_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMessageBox>
#include <QPageSize>
#include <QPrinter>
#include <QPainter>
#include <QRegularExpression>

#include <cstdio>
#include <cstring>

namespace {

// A made-up photo: a soft gradient with a disc, W x H.
QImage samplePhoto(int W, int H, QColor A, QColor B) {
    QImage p(W, H, QImage::Format_ARGB32);
    QPainter painter(&p);
    QLinearGradient g(0, 0, W, H);
    g.setColorAt(0, A);
    g.setColorAt(1, B);
    painter.fillRect(p.rect(), g);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(255, 255, 255, 160));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(W * 0.35, H * 0.4), W * 0.2, H * 0.2);
    return p;
}

// Three photos and a line of text on the design, the middle photo selected.
void composeSample(TVelmoBalloonForm& W) {
    TlxImageVcl& doc = *W.lxImg;
    const struct {
        int w, h, x, y;
        QColor a, b;
    } photos[] = {{420, 300, 60, 120, QColor(230, 80, 90), QColor(250, 200, 90)},
                  {300, 360, 360, 200, QColor(60, 120, 220), QColor(120, 220, 200)},
                  {260, 200, 180, 420, QColor(120, 60, 160), QColor(240, 140, 200)}};
    for (const auto& p : photos) {
        doc.AddBitmapLayer(samplePhoto(p.w, p.h, p.a, p.b));
        doc.Layers[size_t(doc.LayersCount - 1)].Left = p.x;
        doc.Layers[size_t(doc.LayersCount - 1)].Top = p.y;
        doc.Layers[size_t(doc.LayersCount - 1)].Name = "photo";
    }
    TlxTextStyle style{};
    std::strcpy(style.Text, "Happy Birthday");
    style.Size = 48;
    style.Color = lxRGB(200, 30, 60);
    style.Bold = 1;
    doc.AddTextLayer(150, 60, style);
    W.TabSheet2->Rulers->AddGuide({120, 0});
    W.TabSheet2->Rulers->AddGuide({0, 600});
    W.TabSheet2->RebuildLayerList();
    doc.ReDraw();
    W.TabSheet2->SelectLayer(2);
    W.TabSheet2->N1Click();
}

// A photo through the insert command, a frame picture over it and a heart
// mask on the photo, as a user composes them; the photo stays selected, so
// the mask list shows.
void insertSample(TVelmoBalloonForm& W, TFakeUiServices& Services, const QDir& Folder) {
    const QString photo = Folder.filePath(QStringLiteral("sample_photo.png"));
    const QString frame = Folder.filePath(QStringLiteral("sample_frame_BK.png"));
    samplePhoto(640, 480, QColor(40, 140, 220), QColor(250, 210, 120)).save(photo);
    QImage ring(760, 1000, QImage::Format_ARGB32);
    ring.fill(Qt::transparent);
    {
        QPainter p(&ring);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(220, 60, 120), 36));
        p.drawEllipse(QRectF(40, 280, 680, 680));
    }
    ring.save(frame);
    Services.FileAnswer = photo;
    W.TabSheet2->BitBtn5Click();
    Services.FileAnswer = frame;
    W.TabSheet2->BitBtn5Click();
    // The photo, below the frame, takes the heart.
    W.TabSheet2->ListView1->setCurrentRow(1);
    W.TabSheet2->ListView2->setCurrentRow(14);
    W.TabSheet2->ListView2DblClick();
    W.TabSheet2->N1Click();
    QFile::remove(photo);
    QFile::remove(frame);
}

// Five texts inserted through the insert-text dialog, each given one of the
// built-in effects (rows 1, 4, 7, 8 and 10) and set one under the other.
void textSample(TVelmoBalloonForm& W, TFakeUiServices& Services) {
    const struct {
        int Row;
        const char* English;
        const char* Chinese;
    } texts[] = {{1, "Light shadow", "浅色投影"},
                 {4, "Golden glow", "金黄色发光"},
                 {7, "Glowing gold", "金色发光字"},
                 {8, "Rainbow", "彩虹字"},
                 {10, "Red glow", "红色发光"}};
    int top = 70;
    for (const auto& t : texts) {
        Services.DialogAnswer = [&](QDialog& d) {
            auto* form = dynamic_cast<TForm7*>(&d);
            if (!form) return int(QDialog::Rejected);
            TForm7Settings s;
            s.Text = LangBase == LangEnglish ? QString::fromUtf8(t.English) : QString::fromUtf8(t.Chinese);
            s.SizeText = QStringLiteral("44");
            s.Bold = true;
            s.Color = QColor(30, 90, 200);
            form->Preset(s);
            form->BitBtn1Click();
            return form->result();
        };
        W.TabSheet2->BitBtn6Click();
        const int layer = W.lxImg->CurrLayerID;
        W.TabSheet2->ListView3->setCurrentRow(t.Row);
        W.TabSheet2->ListView3DblClick();
        TlxLayer& l = W.lxImg->Layers[size_t(layer)];
        l.Top = top;
        top += l.Bitmap.height() + 40;
    }
    Services.DialogAnswer = nullptr;
    W.TabSheet2->SelectLayer(W.lxImg->LayersCount - 1);
    W.lxImg->ReDraw();
    W.TabSheet2->N1Click();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: app_screens FOLDER [WIDTHxHEIGHT]\n");
        return 2;
    }
    const QDir folder(args[1]);
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(folder.path()));
        return 1;
    }
    QSize size(1366, 768);
    if (args.size() > 2) {
        const auto m = QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(args[2]);
        if (!m.hasMatch()) {
            std::fprintf(stderr, "size must read WIDTHxHEIGHT, e.g. 1920x1080\n");
            return 2;
        }
        size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    }

    const struct {
        void (TVelmoBalloonForm::*command)();
        const char* name;
    } languages[] = {{&TVelmoBalloonForm::English1Click, "en"},
                     {&TVelmoBalloonForm::N10Click, "sc"},
                     {&TVelmoBalloonForm::N11Click, "tc"}};
    int faults = 0;
    const auto save = [&](TVelmoBalloonForm& w, const QString& name) {
        QApplication::processEvents();
        const QString path = folder.filePath(name + QStringLiteral(".png"));
        if (!w.grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        for (const QString& fault : LayoutFaults(w)) {
            std::printf("%s: %s\n", qPrintable(name), qPrintable(fault));
            ++faults;
        }
    };
    for (const auto& l : languages) {
        TFakeUiServices services;
        TVelmoBalloonForm w(services);
        // A user who waits a moment between the step buttons.
        w.StepGuard->Clock = [t = qint64(0)]() mutable { return t += 1000; };
        w.resize(size);
        w.show();
        ((w).*l.command)();
        save(w, QStringLiteral("step1_%1").arg(QString::fromLatin1(l.name)));
        // Step 2 with the heart template, as a user would first see it.
        auto* templates = w.findChild<QListWidget*>(QStringLiteral("ListView4"));
        if (templates == nullptr) {
            std::fprintf(stderr, "the window has no template list\n");
            return 1;
        }
        templates->setCurrentRow(2);
        w.BitBtn4Click();
        save(w, QStringLiteral("step2_%1").arg(QString::fromLatin1(l.name)));
        composeSample(w);
        save(w, QStringLiteral("step2_layers_%1").arg(QString::fromLatin1(l.name)));
        // Step 3 on an A4 page, upright and across.
        {
            QPrinter& printer = w.TabSheet3->Printer();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setPageOrientation(QPageLayout::Portrait);
            w.BitBtn4Click();
            save(w, QStringLiteral("step3_portrait_%1").arg(QString::fromLatin1(l.name)));
            printer.setPageOrientation(QPageLayout::Landscape);
            w.TabSheet3->ShowPrtSet();
            save(w, QStringLiteral("step3_landscape_%1").arg(QString::fromLatin1(l.name)));
            printer.setPageOrientation(QPageLayout::Portrait);
            w.BitBtn3Click();
            // The question on closing a modified design, as the window asks it.
            QMessageBox box(QMessageBox::Question, LangText(51), LangText(134),
                            QMessageBox::Yes | QMessageBox::No, &w);
            box.show();
            QApplication::processEvents();
            box.grab().save(folder.filePath(
                QStringLiteral("close_question_%1.png").arg(QString::fromLatin1(l.name))));
        }
        w.TabSheet2->SetFixedZoom(3.0);
        save(w, QStringLiteral("step2_300_%1").arg(QString::fromLatin1(l.name)));
        w.TabSheet2->N1Click();
        // A fresh design with an inserted photo, a frame and a heart mask.
        w.BitBtn3Click();
        w.BitBtn4Click();
        insertSample(w, services, folder);
        save(w, QStringLiteral("step2_insert_%1").arg(QString::fromLatin1(l.name)));
        {
            // A new window's round design with five texts and their effects.
            TFakeUiServices textServices;
            TVelmoBalloonForm t(textServices);
            t.StepGuard->Clock = [c = qint64(0)]() mutable { return c += 1000; };
            t.resize(size);
            t.show();
            ((t).*l.command)();
            templates = t.findChild<QListWidget*>(QStringLiteral("ListView4"));
            if (templates) templates->setCurrentRow(0);
            t.BitBtn4Click();
            textSample(t, textServices);
            save(t, QStringLiteral("step2_text_%1").arg(QString::fromLatin1(l.name)));
        }

        // The page the help button opens, in the program's help window.
        w.Button4Click();
        if (services.HelpPages.size() == 1) {
            // The pages are copied beside the program, which the build puts
            // in app/ beside this tool's folder.
            const QString program = QApplication::applicationDirPath() + "/velmo.chm";
            const QString built = QDir(QApplication::applicationDirPath() + "/../app/velmo.chm")
                                      .absolutePath();
            QString page = services.HelpPages[0].toLocalFile();
            if (!QFileInfo::exists(page)) page.replace(program, built);
            THelpWindow help;
            help.ShowPage(QUrl::fromLocalFile(page), CaptionWithoutAccelerator(LangText(269)));
            QApplication::processEvents();
            const QString path =
                folder.filePath(QStringLiteral("help_%1.png").arg(QString::fromLatin1(l.name)));
            if (!help.grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        }
    }
    return faults == 0 ? 0 : 1;
}
