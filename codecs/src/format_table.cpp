#include "format_table.h"

#include "picture_codecs.h"

#include <array>
#include <span>

namespace velmo::codecs {
namespace detail {
namespace {

using R = TReaderRoute;

struct TGroupRow {
    const char* Name;
    std::span<const TExtensionInfo> Extensions;
};

constexpr TExtensionInfo Bitmap[] = {{"bmp", nullptr, R::Picture}};
constexpr TExtensionInfo Icon[] = {{"ico", nullptr, R::Picture}, {"cur", nullptr, R::Picture}};
// Only the older metafile has a reader on this platform (libwmf); enhanced
// metafiles are listed so that the user gets a clear refusal.
constexpr TExtensionInfo Metafile[] = {{"wmf", "WMF", R::Picture}, {"emf", nullptr, R::Nothing}};
constexpr TExtensionInfo Jpeg[] = {{"jpg", nullptr, R::Picture},
                                   {"jpeg", nullptr, R::Picture},
                                   {"jpe", nullptr, R::Picture},
                                   {"jfif", nullptr, R::Picture}};
constexpr TExtensionInfo Gif[] = {{"gif", nullptr, R::Picture}};
constexpr TExtensionInfo Png[] = {{"png", nullptr, R::Picture}};
// A ".fax" file is normally a TIFF (class F); a raw Group 3 stream has no
// signature and needs the name.
constexpr TExtensionInfo Tiff[] = {
    {"tif", nullptr, R::Picture}, {"tiff", nullptr, R::Picture}, {"fax", "FAX", R::Picture}};
constexpr TExtensionInfo Eps[] = {{"eps", nullptr, R::Ghostscript}};
constexpr TExtensionInfo Targa[] = {{"tga", "TGA", R::Picture},
                                    {"vst", "TGA", R::Picture},
                                    {"vda", "TGA", R::Picture},
                                    {"icb", "TGA", R::Picture},
                                    {"win", "TGA", R::Picture}};
constexpr TExtensionInfo Pcx[] = {
    {"pcx", "PCX", R::Picture}, {"pcc", "PCX", R::Picture}, {"scr", "PCX", R::Picture}};
constexpr TExtensionInfo PhotoCd[] = {{"pcd", "PCD", R::Picture}};
constexpr TExtensionInfo Pnm[] = {{"ppm", nullptr, R::Picture},
                                  {"pgm", nullptr, R::Picture},
                                  {"pbm", nullptr, R::Picture},
                                  {"pnm", nullptr, R::Picture}};
constexpr TExtensionInfo Sgi[] = {{"sgi", "SGI", R::Picture},
                                  {"rgba", "SGI", R::Picture},
                                  {"rgb", "SGI", R::Picture},
                                  {"bw", "SGI", R::Picture}};
constexpr TExtensionInfo Rla[] = {{"rla", "RLA", R::Picture}, {"rpf", "RLA", R::Picture}};
constexpr TExtensionInfo Photoshop[] = {{"psd", "PSD", R::Picture}, {"pdd", "PSD", R::Picture}};
constexpr TExtensionInfo PaintShopPro[] = {{"psp", nullptr, R::Nothing}};
constexpr TExtensionInfo Autodesk[] = {{"cel", nullptr, R::Nothing}, {"pic", nullptr, R::Nothing}};
constexpr TExtensionInfo Halo[] = {{"cut", "CUT", R::Picture}};
// Run-length bitmaps are Windows bitmaps with a file header (Qt reads them);
// ".dib" files often hold only the information header and the pixels.
constexpr TExtensionInfo RleBitmap[] = {{"rle", nullptr, R::Picture}, {"dib", "DIB", R::Picture}};
constexpr TExtensionInfo WebP[] = {{"webp", nullptr, R::Picture}};
// Phone cameras save these; the decoding library reads them through libheif.
constexpr TExtensionInfo Heif[] = {{"heic", nullptr, R::Picture}, {"heif", nullptr, R::Picture}};
constexpr TExtensionInfo Avif[] = {{"avif", nullptr, R::Picture}};

constexpr std::array<TGroupRow, 22> Groups = {{
    {"Windows Bitmap", Bitmap},
    {"Icon", Icon},
    {"Windows Metafile", Metafile},
    {"JPEG", Jpeg},
    {"GIF", Gif},
    {"PNG", Png},
    {"TIFF", Tiff},
    {"EPS", Eps},
    {"Targa", Targa},
    {"PCX", Pcx},
    {"Kodak Photo CD", PhotoCd},
    {"Portable Pixmap", Pnm},
    {"SGI", Sgi},
    {"Wavefront RLA", Rla},
    {"Photoshop", Photoshop},
    {"Paint Shop Pro", PaintShopPro},
    {"Autodesk", Autodesk},
    {"Dr. Halo", Halo},
    {"RLE Bitmap", RleBitmap},
    {"WebP", WebP},
    {"HEIF", Heif},
    {"AVIF", Avif},
}};

} // namespace

const TExtensionInfo* findExtension(const QString& Extension) {
    for (const TGroupRow& group : Groups)
        for (const TExtensionInfo& info : group.Extensions)
            if (Extension == QLatin1StringView(info.Extension)) return &info;
    return nullptr;
}

} // namespace detail

const std::vector<TPictureFormatGroup>& PictureFormatGroups() {
    static const std::vector<TPictureFormatGroup> groups = [] {
        std::vector<TPictureFormatGroup> list;
        list.reserve(detail::Groups.size());
        for (const detail::TGroupRow& row : detail::Groups) {
            TPictureFormatGroup group{QString::fromLatin1(row.Name), {}};
            for (const detail::TExtensionInfo& info : row.Extensions)
                group.Extensions.append(QString::fromLatin1(info.Extension));
            list.push_back(std::move(group));
        }
        return list;
    }();
    return groups;
}

QString PictureOpenFilter(const QString& AllCaption) {
    const auto patterns = [](const QStringList& extensions) {
        QStringList list;
        list.reserve(extensions.size());
        for (const QString& extension : extensions)
            list.append(QStringLiteral("*.") + extension);
        return list.join(QLatin1Char(' '));
    };
    QStringList all;
    QStringList entries;
    for (const TPictureFormatGroup& group : PictureFormatGroups()) {
        all.append(group.Extensions);
        entries.append(group.Name + QStringLiteral(" (") + patterns(group.Extensions) +
                       QLatin1Char(')'));
    }
    entries.prepend(AllCaption + QStringLiteral(" (") + patterns(all) + QLatin1Char(')'));
    return entries.join(QStringLiteral(";;"));
}

} // namespace velmo::codecs
