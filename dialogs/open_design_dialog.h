#pragma once

// The open dialog for design files, with the preview frame under its file
// list: a "Show thumbnail" check box, a label with the size of the picture
// shown, and the picture fitted into 367 x 111 pixels. The preview of a
// design file is the thumbnail in its header; a bitmap is read with its
// image size field put right in memory; every other picture goes through
// the picture import.

#include <QFileDialog>
#include <QImage>
#include <QSize>
#include <QString>

class QCheckBox;
class QLabel;

// Reads the thumbnail of a design file (magic "QNL", or "LXL" of older
// files) into Bitmap: kind 1 a bitmap, 2 a JPEG, 5 an icon; kinds 3 and 4
// (metafiles) have no reader here. False, with Bitmap left as it was, for a
// file that is not a design file, one without a thumbnail (kind 0), and a
// thumbnail that lies outside the file, is larger than any thumbnail or does
// not decode.
bool ReadlxlZoom(const QString& FileName, QImage& Bitmap);

// What the preview frame shows for a file: the picture fitted into the
// frame's picture, and the size of what it shows (the design's own size for
// a design file, the picture's size for any other). Null and empty when the
// file gives no preview.
struct TFilePreview {
    QImage Picture; // Format_BGR888
    QSize Size;
};
TFilePreview FilePreviewOf(const QString& FileName, QSize Frame = QSize(367, 111));
// Only the fitted picture.
QImage FilePreview(const QString& FileName);

// The size a Picture takes fitted into Frame keeping its proportions: the
// frame's width when the picture is relatively wider, else the frame's
// height, the other side rounded to the nearest pixel (halves to the even
// neighbour) and at least 1. Empty for an empty picture or frame.
QSize FittedPreviewSize(QSize Picture, QSize Frame);

// Some writers leave the image size field of a bitmap file (offset 34) 0 or
// wrong, which trips some readers. When Data starts with "BM" and has a
// 40-byte or larger information header, the field is set to
// round(width * height * bits / 8), halves to the even neighbour (the height
// of a top-down bitmap, stored negative, counts the same); a size past 32
// bits leaves it alone.
void RepairBitmapSizeField(QByteArray& Data);

// A filter of the string table ("Caption (*.a)|*.a|Other|*.b;*.c") in the
// file dialog's form ("Caption (*.a);;Other (*.b *.c)"). A caption that
// already ends in its patterns in brackets keeps only its words.
QString FileDialogFilter(const QString& Pairs);

struct TOpenDesignSettings {
    QString Folder;   // the folder shown first; empty for the current one
    QString FileName; // on preset the file selected first; on read the chosen file
    bool operator==(const TOpenDesignSettings&) const = default;
};

class TOpenDesignDialog : public QFileDialog {
    Q_OBJECT
public:
    using Settings = TOpenDesignSettings;

    explicit TOpenDesignDialog(QWidget* parent = nullptr);

    void Preset(const Settings& S);
    Settings Read() const;

    // The picture the preview shows, null when it shows none.
    QImage PreviewPicture() const;
    // The file the dialog's selection points at, as the preview last saw it.
    QString CurrentFile() const { return Current; }

    // The selection moved to File (wired to currentChanged).
    void OPD1SelectionChange(const QString& File);
    // The check box changed: ticked shows the current file, unticked clears.
    void ZmCKClick();

private:
    void showfilezoom(const QString& FileName);
    void clearPreview();

    QWidget* TFrame10;
    QCheckBox* ZmCK;
    QLabel* Label1;
    QLabel* Image1;
    QString Current;
};
