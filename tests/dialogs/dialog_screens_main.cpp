// Writes the small dialogs and a pair of rulers in every language as
// pictures, for a look without starting the program, and lists any layout
// faults:
//
//   QT_QPA_PLATFORM=offscreen build/tests/dialog_screens FOLDER
//
// The pictures are rotate_en.png, zoom_en.png, add_guide_en.png,
// manage_guides_en.png, precise_resize_en.png, insert_text_<n>_en.png for
// each arrangement n, circle_text_en.png, freehand_text_en.png,
// open_design_en.png (previewing a small design), signature_en.png (a
// signature drawn in two strokes), gradient_editor_en.png (the default
// definition 12 loaded, a stop between its ends selected), curves_en.png
// (adjusting a small photo with a three-point curve), curves_contour_en.png,
// rulers_en.png, layer_style_<row>_en.png for every page of the layer style
// dialog (row 1 .. 10) on a small design with a text layer, then the same
// with _sc and _tc.

#include "add_guide_dialog.h"
#include "crop_dialog.h"
#include "curves/curves_dialog.h"
#include "dialog_services.h"
#include "gradient_editor.h"
#include "app/layout_faults.h"
#include "lang_strings.h"
#include "lxImage.h"
#include "lxImagevcl.h"
#include "manage_guides_dialog.h"
#include "open_design_dialog.h"
#include "precise_resize_dialog.h"
#include "qnRuler.h"
#include "rotate_dialog.h"
#include "signature_dialog.h"
#include "lxImagevcl.h"
#include "text/circle_text_dialog.h"
#include "text/freehand_text_dialog.h"
#include "text/insert_text_dialog.h"
#include "layer_style/layer_style_dialog.h"
#include "lxTextStyle.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QMouseEvent>
#include <QToolButton>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace {

// The insert-text dialog asks nothing while it is only looked at.
class TNoServices final : public TDialogServices {
public:
    int RunModal(QDialog&) override { return QDialog::Rejected; }
    QMessageBox::StandardButton ShowMessage(QWidget*, const QString&, QMessageBox::Icon,
                                            QMessageBox::StandardButtons) override {
        return QMessageBox::Ok;
    }
    QColor ChooseColour(QWidget*, const QColor&) override { return {}; }
    void OpenHelp(const QUrl&) override {}
};

// Two strokes of a signature in dark blue on a 600 x 300 picture: a loop
// of waves and an underline, drawn with the mouse as a user would.
void drawSignature(TForm4& Dialog) {
    TForm4::Settings s;
    s.WorkBitmap = QImage(600, 300, QImage::Format_ARGB32);
    s.WorkBitmap.fill(Qt::transparent);
    Dialog.Preset(s);
    auto* view = Dialog.findChild<TlxImageVcl*>(QStringLiteral("lxImg1"));
    if (view == nullptr) return;
    const auto send = [view](QEvent::Type Type, QPointF At) {
        QMouseEvent e(Type, At, view->mapToGlobal(At),
                      Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(view, &e);
    };
    const auto wave = [](int t) {
        const double a = t / 10.0;
        return QPointF(60 + 4.2 * t + 25 * std::cos(a), 140 - 60 * std::sin(a) * std::sin(a / 4));
    };
    send(QEvent::MouseButtonPress, wave(0));
    for (int t = 1; t <= 110; ++t)
        send(QEvent::MouseMove, wave(t));
    send(QEvent::MouseButtonRelease, wave(110));
    send(QEvent::MouseButtonPress, QPointF(70, 230));
    send(QEvent::MouseMove, QPointF(320, 215));
    send(QEvent::MouseMove, QPointF(540, 225));
    send(QEvent::MouseButtonRelease, QPointF(540, 225));
}

bool save(QWidget& Window, const QDir& Folder, const QString& Name) {
    Window.show();
    QApplication::processEvents();
    for (const QString& fault : LayoutFaults(Window))
        std::fprintf(stderr, "%s: %s\n", qPrintable(Name), qPrintable(fault));
    const QString path = Folder.filePath(Name + QStringLiteral(".png"));
    const bool saved = Window.grab().save(path);
    if (!saved) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    Window.hide();
    return saved;
}

// Both rulers around an empty canvas, in each unit, at 100 pixels to the
// inch and a zoom of 1.5, the markers at (120, 80).
bool saveRulers(const QDir& Folder, const QString& Suffix) {
    QWidget window;
    auto* grid = new QGridLayout(&window);
    grid->setSpacing(12);
    int column = 0;
    for (const TqnUnit unit : {qnPixel, qnCM, qnPercent}) {
        auto* cell = new QWidget(&window);
        auto* top = new TqnRuler(cell);
        auto* left = new TqnRuler(cell);
        left->SetStyle(qnVertical);
        for (TqnRuler* r : {top, left}) {
            r->SetRulerUnit(unit);
            r->SetPixelsPerInch(100);
            r->SetZoom(1.5);
        }
        const int t = top->sizeHint().height();
        top->setGeometry(t, 0, 360, t);
        left->setGeometry(0, t, t, 300);
        top->SetPosition(120);
        left->SetPosition(80);
        cell->setFixedSize(360 + t, 300 + t);
        grid->addWidget(cell, 0, column++);
    }
    return save(window, Folder, QStringLiteral("rulers") + Suffix);
}

// An arc text of radius 150 pixels (7.62 cm) starting at 300 degrees.
TForm76::Settings circleText() {
    TForm76::Settings s;
    SetText(s.Style, "Happy birthday to you, dear Anna!");
    SetFontName(s.Style, "DejaVu Sans");
    s.Style.Size = 20;
    s.Style.Color = lxRGB(255, 255, 255);
    s.Style.Arrangement = lxTextArc;
    s.CircleSize = 150;
    s.CmText = QStringLiteral("7.62");
    s.StartAngle = 300;
    return s;
}

// A small round design with its canvas outline and the letters A, B and C
// already placed, the last two turned.
TForm96::Settings freehandText() {
    constexpr int side = 300;
    TForm96::Settings s;
    s.Background = QImage(side, side, QImage::Format_ARGB32);
    s.Background.fill(Qt::transparent);
    s.Selection = QImage(side, side, QImage::Format_Grayscale8);
    s.Selection.fill(0);
    {
        QPainter p(&s.Background);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 220, 120));
        p.drawEllipse(0, 0, side, side);
        QPainter m(&s.Selection);
        m.setPen(Qt::NoPen);
        m.setBrush(Qt::white);
        m.drawEllipse(0, 0, side, side);
    }
    s.ScreenPPI = 96;
    SetFontName(s.Font, "DejaVu Sans");
    s.Font.Size = 36;
    s.Font.Color = lxRGB(200, 30, 40);
    s.CharTexts = {"A", "B", "C"};
    s.CharPoints[0] = {80, 150};
    s.CharPoints[1] = {130, 120};
    s.CharPoints[2] = {180, 100};
    s.CharAngles = {0, 15, 30};
    s.PlacedCount = 3;
    s.Placing = false;
    return s;
}

// A 300 x 200 photo of a sky-blue ground with a yellow disc, for the crop
// dialog's magic wand.
QImage cropPicture() {
    QImage picture(300, 200, QImage::Format_ARGB32);
    picture.fill(QColor(120, 190, 240));
    QPainter p(&picture);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 210, 60));
    p.drawEllipse(QPoint(150, 100), 70, 70);
    return picture;
}

// A 300 x 200 design of a sky-blue canvas with a yellow disc, saved in
// Folder for the open dialog to preview; empty when it cannot be written.
QString previewDesign(const QTemporaryDir& Folder) {
    QImage picture(300, 200, QImage::Format_BGR888);
    picture.fill(QColor(120, 190, 240));
    {
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 210, 60));
        p.drawEllipse(QPoint(150, 100), 70, 70);
    }
    TlxImage doc;
    const QString path = Folder.filePath(QStringLiteral("balloon.velmo"));
    if (!Folder.isValid() || !doc.NewImageFromBitmap(picture) || !doc.ReDraw() ||
        !doc.SaveToFile(path))
        return {};
    return path;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: dialog_screens FOLDER\n");
        return 2;
    }
    const QDir folder(args[1]);
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(folder.path()));
        return 1;
    }
    bool ok = true;
    const QTemporaryDir designs;
    const QString design = previewDesign(designs);
    if (design.isEmpty()) {
        std::fprintf(stderr, "cannot write the design for the open dialog\n");
        ok = false;
    }
    const struct {
        int base;
        const char* suffix;
    } languages[] = {{LangEnglish, "_en"}, {LangSimplified, "_sc"}, {LangTraditional, "_tc"}};
    for (const auto& language : languages) {
        LangBase = language.base;
        const QString suffix = QString::fromLatin1(language.suffix);
        {
            TForm2 rotate;
            rotate.Preset({false, 45, QStringLiteral("100")});
            ok &= save(rotate, folder, QStringLiteral("rotate") + suffix);
            TForm2 zoom;
            zoom.Preset({true, 0, QStringLiteral("150")});
            ok &= save(zoom, folder, QStringLiteral("zoom") + suffix);
        }
        {
            TForm6 add;
            add.Preset({});
            ok &= save(add, folder, QStringLiteral("add_guide") + suffix);
        }
        {
            TForm95 manage([](QWidget*, const QString&) {});
            manage.Preset({{{true, 374}, {false, 79}, {true, 1200}}});
            ok &= save(manage, folder, QStringLiteral("manage_guides") + suffix);
        }
        {
            // A 400 x 300 layer, its width in pixels and its height in
            // percent, so that the percent form is seen too.
            TForm5 resize;
            resize.Preset({QString(), 400, 300, ruPixels, ruPercent, QString(), QString(), true});
            ok &= save(resize, folder, QStringLiteral("precise_resize") + suffix);
        }
        for (int arrangement : {0, 6, 1, 2, 3, 4, 5}) {
            TNoServices services;
            TForm7 text(services);
            text.SetHelpFolder(QDir::tempPath());
            TForm7Settings preset;
            preset.Text = language.base == LangEnglish ? QStringLiteral("Happy birthday\nAnna")
                                                       : QStringLiteral("生日快乐\n安娜");
            preset.SizeText = QStringLiteral("36");
            preset.Color = QColor(200, 30, 60);
            preset.Bold = arrangement == 1;
            preset.Angle = arrangement == 1 || arrangement == 2 ? 20 : 0;
            preset.Arrangement = arrangement;
            preset.CircleSettings = 150 * 65536 + 300;
            text.Preset(preset);
            ok &= save(text, folder,
                       QStringLiteral("insert_text_%1").arg(arrangement) + suffix);
        }
        {
            TOpenDesignDialog open;
            open.Preset({designs.path(), design});
            open.resize(640, 620);
            ok &= save(open, folder, QStringLiteral("open_design") + suffix);
        }
        {
            TForm76 circle;
            circle.Preset(circleText());
            ok &= save(circle, folder, QStringLiteral("circle_text") + suffix);
        }
        {
            TForm96 freehand;
            freehand.Preset(freehandText());
            ok &= save(freehand, folder, QStringLiteral("freehand_text") + suffix);
        }
        {
            // A 300 x 160 design with the text "Velmo" as its current layer;
            // each page of the layer style dialog shown once, its effect on,
            // the diagonal kinds chosen so that their angles show.
            TlxImageVcl design;
            TlxTextStyle text{};
            SetText(text, "Velmo");
            SetFontName(text, "DejaVu Sans");
            text.Size = 60;
            text.Color = lxRGB(200, 40, 80);
            text.Smoothing = 2;
            if (design.NewImage(true, lxRGB(255, 255, 255), 24, 300, 160) &&
                design.AddTextLayer(40, 30, text)) {
                TNoServices services;
                // Two definitions: a sunset ramp and a three-colour rainbow.
                std::vector<TColorlistSrcd> gradients(2);
                gradients[0].Stops = {{lxRGB(255, 200, 40), 0, 1.0}, {lxRGB(200, 30, 90), 0, 1.0}};
                gradients[1].Stops = {{lxRGB(230, 40, 40), 0, 0.5},
                                      {lxRGB(40, 200, 60), 0, 0.5},
                                      {lxRGB(40, 80, 230), 0, 1.0}};
                for (TColorlistSrcd& g : gradients) g.Count = int(g.Stops.size());
                TLayerStyleHooks hooks;
                hooks.Gradients = &gradients;
                hooks.EditContour = [](QWidget*, TlxContour&) { return false; };
                TForm63 style(services, design, hooks);
                style.show();
                if (auto* kind = style.findChild<QComboBox*>(QStringLiteral("Cb14")))
                    kind->setCurrentIndex(4);
                if (auto* kind = style.findChild<QComboBox*>(QStringLiteral("Cb16")))
                    kind->setCurrentIndex(4);
                for (int row = TForm63::RowBlending; row < TForm63::RowCount; ++row) {
                    style.Panel1MouseDown(row * TForm63::RowHeight + 5);
                    QApplication::processEvents();
                    ok &= save(style, folder, QStringLiteral("layer_style_%1").arg(row) + suffix);
                }
                style.BitBtn2Click();
            } else {
                std::fprintf(stderr, "cannot make the design for the layer style dialog\n");
                ok = false;
            }
        }
        {
            TNoServices services;
            TForm3 crop(services);
            TForm3::Settings preset;
            preset.SourcePicture = cropPicture();
            crop.Preset(preset);
            crop.show();
            QApplication::processEvents();
            // The magic wand clicked on the yellow disc.
            if (auto* wand = crop.findChild<QToolButton*>(QStringLiteral("SpeedButton6"))) wand->click();
            if (auto* view = crop.findChild<TlxImageVcl*>(QStringLiteral("lxImg1"))) {
                const QPoint at(view->ImageToScreen(150), view->ImageToScreen(100));
                QMouseEvent down(QEvent::MouseButtonPress, QPointF(at), QPointF(view->mapToGlobal(at)),
                                 Qt::LeftButton, Qt::LeftButton, {});
                QApplication::sendEvent(view, &down);
                QMouseEvent up(QEvent::MouseButtonRelease, QPointF(at), QPointF(view->mapToGlobal(at)),
                               Qt::LeftButton, Qt::NoButton, {});
                QApplication::sendEvent(view, &up);
            }
            ok &= save(crop, folder, QStringLiteral("crop") + suffix);
        }
        {
            // A polygon being drawn: three corners clicked, the mouse on
            // the way to the fourth.
            TNoServices services;
            TForm3 crop(services);
            TForm3::Settings preset;
            preset.SourcePicture = cropPicture();
            crop.Preset(preset);
            crop.show();
            QApplication::processEvents();
            if (auto* polygon = crop.findChild<QToolButton*>(QStringLiteral("SpeedButton5")))
                polygon->click();
            if (auto* view = crop.findChild<TlxImageVcl*>(QStringLiteral("lxImg1"))) {
                const auto send = [view](QEvent::Type Type, int X, int Y, Qt::MouseButton Button,
                                         Qt::MouseButtons Held) {
                    const QPoint at(view->ImageToScreen(X), view->ImageToScreen(Y));
                    QMouseEvent e(Type, QPointF(at), QPointF(view->mapToGlobal(at)), Button, Held, {});
                    QApplication::sendEvent(view, &e);
                };
                for (const QPoint p : {QPoint(40, 30), QPoint(250, 50), QPoint(220, 170)}) {
                    send(QEvent::MouseButtonPress, p.x(), p.y(), Qt::LeftButton, Qt::LeftButton);
                    send(QEvent::MouseButtonRelease, p.x(), p.y(), Qt::LeftButton, Qt::NoButton);
                }
                send(QEvent::MouseMove, 70, 160, Qt::NoButton, Qt::NoButton);
            }
            ok &= save(crop, folder, QStringLiteral("crop_polygon") + suffix);
        }
        {
            TNoServices services;
            TForm4 signature(services);
            drawSignature(signature);
            ok &= save(signature, folder, QStringLiteral("signature") + suffix);
        }
        {
            TNoServices services;
            TForm17 editor(services);
            TForm17::Settings preset;
            preset.FileName = designs.filePath(QStringLiteral("Colors.ini"));
            if (!EnsureGradientFile(preset.FileName)) {
                std::fprintf(stderr, "cannot write the gradient definitions\n");
                ok = false;
            }
            preset.Gradients = LoadGradientDefinitions(preset.FileName);
            editor.Preset(preset);
            // Definition 12 chosen from the list, its third stop clicked.
            if (auto* list = editor.findChild<QComboBox*>(QStringLiteral("opnCB5"));
                list != nullptr && list->count() > 13) {
                list->setCurrentIndex(13);
                emit list->activated(13);
            }
            if (auto* stop = editor.findChild<TPtImage*>(QStringLiteral("Marker1"))) {
                const QPointF at(5, 8);
                QMouseEvent down(QEvent::MouseButtonPress, at, stop->mapToGlobal(at), Qt::LeftButton,
                                 Qt::LeftButton, {});
                QApplication::sendEvent(stop, &down);
                QMouseEvent up(QEvent::MouseButtonRelease, at, stop->mapToGlobal(at), Qt::LeftButton,
                               Qt::NoButton, {});
                QApplication::sendEvent(stop, &up);
            }
            ok &= save(editor, folder, QStringLiteral("gradient_editor") + suffix);
        }
        {
            // The photo brightened through a point dragged up in the middle.
            TNoServices services;
            TlxImageVcl photo;
            if (photo.NewImage(true, lxRGB(255, 255, 255), 24, 300, 200) &&
                photo.AddBitmapLayer(cropPicture()) && photo.ReDraw()) {
                TForm80 curves(services);
                curves.SetTarget({&photo, photo.CurrLayerID, {}});
                curves.show();
                QApplication::processEvents();
                if (auto* box = curves.findChild<QWidget*>(QStringLiteral("CurveBox"))) {
                    const auto send = [box](QEvent::Type Type, QPointF At) {
                        QMouseEvent e(Type, At, box->mapToGlobal(At),
                                      Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                                      Type == QEvent::MouseButtonRelease ? Qt::NoButton
                                                                         : Qt::LeftButton,
                                      Qt::NoModifier);
                        QApplication::sendEvent(box, &e);
                    };
                    send(QEvent::MouseButtonPress, QPointF(128, 128));
                    send(QEvent::MouseMove, QPointF(120, 90));
                    send(QEvent::MouseButtonRelease, QPointF(120, 90));
                }
                ok &= save(curves, folder, QStringLiteral("curves") + suffix);
            } else {
                std::fprintf(stderr, "cannot make the photo for the curves dialog\n");
                ok = false;
            }
        }
        {
            // A contour with a peak in the middle.
            TNoServices services;
            TForm80 contour(services);
            contour.SetContourMode(true);
            contour.SetPoints({{0, 255}, {64, 120}, {128, 20}, {192, 120}, {255, 255}});
            ok &= save(contour, folder, QStringLiteral("curves_contour") + suffix);
        }
        ok &= saveRulers(folder, suffix);
    }
    return ok ? 0 : 1;
}
