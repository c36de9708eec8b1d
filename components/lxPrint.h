#pragma once

// What printing at true size needs to know of a printer: the printable
// area in dots and the resolution, the same on both axes.

class QPrinter;

struct TPrinterMetrics {
    int PageWidth = 0;
    int PageHeight = 0;
    int Dpi = 0;
    bool operator==(const TPrinterMetrics&) const = default;
};

// The printer's printable area in its own dots and its horizontal
// resolution; zeros when the printer reports none.
TPrinterMetrics PrinterMetrics(const QPrinter& Printer);
