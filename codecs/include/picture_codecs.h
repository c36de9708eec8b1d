// Reading the pictures a user inserts into a design or previews in the open
// dialog: every raster format the program offers, through Qt's readers first
// and the decoding library for the rest.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <vector>

namespace velmo::codecs {

struct TPictureLoad {
    // On success: Format_ARGB32 when the file has transparency, else Format_RGB32.
    QImage Picture;
    // On failure: a plain English reason for logs and tests (empty on success).
    QString Error;
    enum Failure { None, NotFound, Unsupported, Damaged, TooLarge } Why = None;
    bool ok() const { return Why == None; }
};

// Loads any picture file the program can read, with its EXIF orientation
// applied. A file no reader knows is Unsupported; a file of a known format
// that fails to decode is Damaged; a picture above MaxPixels (or wider or
// higher than the engine's largest side) is refused as TooLarge from its
// header, before any pixel is decoded. Never throws; safe to call from any
// thread.
TPictureLoad LoadPictureFile(const QString& FileName);

// 100 million pixels: 400 MB once decoded as 32-bit, which the program then
// copies into a 24-bit layer. That is above any camera picture and far above
// what a balloon print needs, and leaves the engine's own limit room for the
// canvas, masks and undo copies.
inline constexpr qint64 MaxPixels = 100'000'000;

// The picture open dialog's filter groups, in the order shown: the format's
// own name and its extensions, without dot, lower case.
struct TPictureFormatGroup {
    QString Name;
    QStringList Extensions;
};
const std::vector<TPictureFormatGroup>& PictureFormatGroups();

// The whole file-dialog filter: "<AllCaption> (*.bmp *.ico ...)" with every
// extension, then one entry "Name (*.a *.b)" per group, joined by ";;".
QString PictureOpenFilter(const QString& AllCaption);

} // namespace velmo::codecs
