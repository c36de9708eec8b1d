#include "lxPrint.h"

#include <QPageLayout>
#include <QPrinter>

TPrinterMetrics PrinterMetrics(const QPrinter& Printer) {
    TPrinterMetrics m;
    const int dpi = Printer.resolution();
    if (dpi <= 0) return m;
    // The printable area: the page less the margins the printer keeps.
    const QRect area = Printer.pageLayout().paintRectPixels(dpi);
    m.PageWidth = std::max(0, area.width());
    m.PageHeight = std::max(0, area.height());
    m.Dpi = dpi;
    return m;
}
