#pragma once

// The one list of the program's built-in pictures: which ids exist, their
// sizes, the resource file each is stored in and the cursors' hot spots. The
// generator draws from this table and the library reads by it, so the two can
// not drift apart (a hot spot that misses the drawn tip, a size that differs
// from the file).

namespace velmo::assets {

enum class ShapeKind { Pentagon, Heart, Ellipse };

struct ShapeSpec {
    int Id;
    int Width;
    int Height;
    ShapeKind Kind;
    bool Inverted; // black inside, white outside (the inner edge of the guide ring)
};

inline constexpr ShapeSpec Shapes[] = {
    {30001, 2244, 2244, ShapeKind::Pentagon, false}, {30002, 1498, 1496, ShapeKind::Heart, false},
    {30003, 3393, 3391, ShapeKind::Ellipse, false},  {30004, 2244, 2244, ShapeKind::Pentagon, true},
    {30005, 1024, 1024, ShapeKind::Heart, true},
};

inline constexpr int ThumbnailSize = 128;
// The thumbnails are stored once more at twice the size for screens of two
// device pixels per unit, as "<name>@2x".
inline constexpr int ThumbnailHighScale = 2;
inline constexpr const char* Thumbnails[] = {"Ellimg", "HeartImg", "wjximg", "NoImg"};

struct DecorationSpec {
    int Id;
    int Width;
    int Height;
};

inline constexpr DecorationSpec Decorations[] = {
    {102, 102, 44},
    {103, 150, 150},
};

inline constexpr int CursorSize = 32;

struct CursorSpec {
    int Id;
    int HotX; // the pixel the cursor acts on; drawn opaque on every cursor
    int HotY;
};

inline constexpr CursorSpec Cursors[] = {
    {101, 6, 6},   // magic wand: the centre of the sparkle at the wand's tip
    {102, 2, 29},  // pencil: the point of the lead
    {103, 6, 25},  // eraser: the middle of the rubbing face
    {104, 15, 15}, // placement: the centre dot of the cross
};

// Resource paths: ":/velmo/<folder>/<id or name>.png".
inline constexpr const char* ShapeFolder = "shapes";
inline constexpr const char* ThumbnailFolder = "thumbnails";
inline constexpr const char* DecorationFolder = "decorations";
inline constexpr const char* CursorFolder = "cursors";

} // namespace velmo::assets
