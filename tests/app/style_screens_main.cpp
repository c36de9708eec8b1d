// Shows the layer style dialog over the main window, page by page, with the
// page's effect switched on live, and the gradient editor and the curves
// dialog over it, then grabs the whole screen each time:
//
//   xvfb-run -a -s "-screen 0 1366x768x24" build/tests/style_screens FOLDER [WIDTHxHEIGHT]
//
// The pictures are style_<row>_en.png for the rows 1 .. 10 of the dialog,
// gradient_editor_en.png and curves_en.png, then the same with _sc and _tc.
// It needs a real screen (an X server): the offscreen platform has no
// screen to grab the windows from together.

#include "app/fake_ui_services.h"
#include "curves_dialog.h"
#include "gradient_editor.h"
#include "insert_text_dialog.h"
#include "lang_strings.h"
#include "layer_style_dialog.h"
#include "lxImagevcl.h"
#include "main_window.h"
#include "steps/compose_step.h"
#include "steps/layer_list.h"
#include "steps/text_effect_list.h"
#include "widgets/step_click_guard.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>

#include <cstdio>
#include <cstring>

namespace {

void settle(int Milliseconds = 250) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < Milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool grabScreen(const QDir& Folder, const QString& Name) {
    settle();
    const QString path = Folder.filePath(Name + QStringLiteral(".png"));
    const bool ok = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    if (!ok) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return ok;
}

QImage samplePhoto(int W, int H) {
    QImage p(W, H, QImage::Format_ARGB32);
    QPainter painter(&p);
    QLinearGradient g(0, 0, W, H);
    g.setColorAt(0, QColor(40, 140, 220));
    g.setColorAt(1, QColor(250, 210, 120));
    painter.fillRect(p.rect(), g);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(255, 255, 255, 160));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(W * 0.35, H * 0.4), W * 0.2, H * 0.2);
    return p;
}

// A photo and a big bold text on a round design; the text is selected.
void compose(TVelmoBalloonForm& W, TFakeUiServices& Services) {
    W.TabSheet2->AddBitmapToImage(samplePhoto(520, 380));
    Services.DialogAnswer = [](QDialog& d) {
        auto* form = dynamic_cast<TForm7*>(&d);
        if (!form) return int(QDialog::Rejected);
        TForm7Settings s;
        s.Text = LangBase == LangEnglish ? QStringLiteral("Happy Day") : QStringLiteral("生日快乐");
        s.SizeText = QStringLiteral("96");
        s.Bold = true;
        s.Color = QColor(40, 110, 220);
        form->Preset(s);
        form->BitBtn1Click();
        return form->result();
    };
    W.TabSheet2->BitBtn6Click();
    Services.DialogAnswer = nullptr;
    // The text near the top of the design, where the dialog leaves it in sight.
    W.lxImg->Layers[size_t(W.lxImg->CurrLayerID)].Top = 40;
    W.lxImg->ReDraw();
    W.TabSheet2->SelectLayer(W.lxImg->CurrLayerID);
    W.TabSheet2->N1Click();
}

TLayerStyleHooks hooksFor(TVelmoBalloonForm& W, TDialogServices& Services) {
    TLayerStyleHooks hooks;
    hooks.Gradients = &W.TabSheet2->Gradients;
    // The contour buttons show only with an editor behind them.
    hooks.EditContour = [&Services](QWidget* Parent, TlxContour& Contour) {
        return EditContour(Services, Parent, Contour);
    };
    hooks.Recompose = [&W] {
        W.lxImg->ReDraw();
        W.lxImg->ApplyZoom();
        W.TabSheet2->RepaintCanvas();
    };
    return hooks;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: style_screens FOLDER [WIDTHxHEIGHT]\n");
        return 2;
    }
    const QDir folder(args[1]);
    if (!folder.exists() && !QDir().mkpath(folder.path())) return 1;
    QSize size = QGuiApplication::primaryScreen()->size();
    if (args.size() > 2) {
        const auto m = QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(args[2]);
        if (m.hasMatch()) size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    }
    const struct {
        void (TVelmoBalloonForm::*command)();
        const char* name;
    } languages[] = {{&TVelmoBalloonForm::English1Click, "en"},
                     {&TVelmoBalloonForm::N10Click, "sc"},
                     {&TVelmoBalloonForm::N11Click, "tc"}};
    bool ok = true;
    for (const auto& l : languages) {
        const QString suffix = QStringLiteral("_") + QString::fromLatin1(l.name);
        TFakeUiServices services;
        TVelmoBalloonForm w(services);
        w.StepGuard->Clock = [t = qint64(0)]() mutable { return t += 1000; };
        w.setGeometry(QRect(QPoint(0, 0), size));
        w.show();
        ((w).*l.command)();
        if (auto* templates = w.findChild<QListWidget*>(QStringLiteral("ListView4")))
            templates->setCurrentRow(0);
        w.BitBtn4Click();
        compose(w, services);
        settle(400);
        for (int row = 1; row <= 10; ++row) {
            TForm63 dialog(services, *w.lxImg, hooksFor(w, services), &w);
            dialog.Panel1MouseDown(dialog.RowCaptions[size_t(row)]->geometry().top());
            dialog.show();
            // Below the design's top, so the live result shows above it.
            const QRect screen = QGuiApplication::primaryScreen()->geometry();
            dialog.move(screen.left() + 40, screen.bottom() - dialog.frameGeometry().height() - 40);
            ok &= grabScreen(folder, QStringLiteral("style_%1").arg(row) + suffix);
            if (row == 8) {
                // The gradient editor over the gradient overlay's page.
                TForm17 editor(services, &dialog);
                TForm17Settings preset;
                preset.Gradients = w.TabSheet2->Gradients;
                preset.FileName = w.TabSheet2->GradientFile;
                editor.Preset(preset);
                editor.show();
                ok &= grabScreen(folder, QStringLiteral("gradient_editor") + suffix);
            }
            dialog.BitBtn2Click();
        }
        // Curves on the photo, its middle lifted.
        w.TabSheet2->SelectLayer(1);
        settle(100);
        {
            TForm80 curves(services, &w);
            TCurvesTarget target;
            target.Document = w.lxImg;
            target.Layer = 1;
            target.Recompose = [&w] {
                w.lxImg->ReDraw();
                w.lxImg->ApplyZoom();
                w.TabSheet2->RepaintCanvas();
            };
            curves.SetTarget(target);
            curves.show();
            settle();
            if (auto* box = curves.findChild<QWidget*>(QStringLiteral("CurveBox"))) {
                const auto send = [box](QEvent::Type Type, QPointF At) {
                    QMouseEvent e(Type, At, box->mapToGlobal(At),
                                  Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                                  Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                                  Qt::NoModifier);
                    QApplication::sendEvent(box, &e);
                };
                send(QEvent::MouseButtonPress, QPointF(128, 128));
                send(QEvent::MouseMove, QPointF(110, 70));
                send(QEvent::MouseButtonRelease, QPointF(110, 70));
            }
            ok &= grabScreen(folder, QStringLiteral("curves") + suffix);
            curves.reject();
        }
        w.TabSheet2->ClearHistory();
    }
    return ok ? 0 : 1;
}
