#include "steps/print_layout.h"

#include "float_text.h"
#include "lxImage.h"
#include "lxTypes.h"

#include <array>
#include <cmath>

int DotsFromCm(double Cm, int Dpi) {
    return RoundEven(Cm * Dpi / 2.54);
}

QString CmFromDots(int Dots, int Dpi) {
    if (Dpi <= 0) return QStringLiteral("0");
    return FloatToStr(double(Dots) / Dpi * 2.54);
}

QSize PrintedSize(QSize Picture, int Dpi) {
    return {RoundEven(double(Picture.width()) * Dpi / 100),
            RoundEven(double(Picture.height()) * Dpi / 100)};
}

TPagePreview PagePreview(const TPrinterMetrics& Printer, QSize Available, QSize Picture) {
    TPagePreview preview;
    const double pw = Printer.PageWidth, ph = Printer.PageHeight;
    const int aw = std::max(1, Available.width()), ah = std::max(1, Available.height());
    if (pw <= 0 || ph <= 0 || Printer.Dpi <= 0) return preview;
    int w = aw, h = ah;
    if (ph / ah >= pw / aw)
        w = std::max(1, RoundEven(ah / ph * pw));
    else
        h = std::max(1, RoundEven(aw / pw * ph));
    preview.PreviewScale = pw / w;
    preview.Panel = QRect(aw / 2 - w / 2 + 8, ah / 2 - h / 2 + 8, w, h);
    preview.Shadow = preview.Panel.translated(16, 16);
    preview.Picture =
        QSize(RoundEven(Printer.Dpi / 100.0 * Picture.width() / preview.PreviewScale),
              RoundEven(Printer.Dpi / 100.0 * Picture.height() / preview.PreviewScale));
    return preview;
}

int CentredOffset(int PageDots, int PicturePixels, int Dpi) {
    // Integer halving towards zero, as a page narrower than the picture
    // gives a negative offset.
    return RoundEven(PageDots - Dpi / 100.0 * PicturePixels) / 2;
}

int CentreWhenTicked(int PageDots, int PicturePixels, int Dpi) {
    return PageDots / 2 - RoundEven(double(PicturePixels) * Dpi / 100) / 2;
}

std::optional<QPoint> PrintOrigin(const QString& XCm, const QString& YCm, int Dpi) {
    bool okX = false, okY = false;
    const double x = XCm.toDouble(&okX), y = YCm.toDouble(&okY);
    if (!okX || !okY || !std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
    const double dx = std::trunc(x * Dpi / 2.54 + 0.5);
    const double dy = std::trunc(y * Dpi / 2.54 + 0.5);
    if (std::abs(dx) > 1e9 || std::abs(dy) > 1e9) return std::nullopt;
    int px = RoundEven(dx), py = RoundEven(dy);
    py = RoundEven(py - Dpi * 0.2 / 2.54);
    px = RoundEven(Dpi * 0.05 / 2.54 + px);
    return QPoint(px, py);
}
