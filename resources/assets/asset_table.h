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

// The mask list's pictures, rows 1 .. 31 (resource ids 10000 + row), 8-bit
// grey, white where the photo shows. Every shape sits a little inside its
// picture so that a mask stretched over a layer never cuts its edge.
enum class MaskKind {
    Circle,   // the circle touching the shape box
    Square,   // the shape box itself, its corners rounded by Rounding
    Diamond,  // a square on its point
    Cloud,    // a row of round puffs on a flat base
    Heart,    // the canvas heart, widened or narrowed by Stretch
    Star,     // Points points, the valleys at Inner of the points' radius
    Pentagon, // a regular pentagon, one point up
};

struct MaskSpec {
    int Row;
    int Width;
    int Height;
    MaskKind Kind;
    // The width of the ramp from white down to black, as a fraction of how
    // deep the picture's centre lies inside the shape; 0 for a hard mask,
    // smoothed over the one pixel its edge crosses.
    double Feather;
    // Polygons: the outline lies this far outside a smaller polygon whose
    // points are at radius 1 (so the points are round); squares: the corner
    // radius as a fraction of half the shorter side.
    double Rounding;
    int Points;     // stars
    double Inner;   // stars: radius of the valleys between the points, points at 1
    double Stretch; // hearts: width over the canvas heart's width at the same height
};

// The hearts are fitted to a layer keeping their proportions, so their
// pictures have the proportions of the heart they hold; every other mask is
// stretched over the layer.
inline constexpr MaskSpec Masks[] = {
    // Circles: hard, then ever wider feathers down to a vignette.
    {1, 250, 250, MaskKind::Circle, 0.0, 0, 0, 0, 1},
    {2, 300, 300, MaskKind::Circle, 0.10, 0, 0, 0, 1},
    {3, 400, 400, MaskKind::Circle, 0.25, 0, 0, 0, 1},
    {4, 500, 500, MaskKind::Circle, 0.50, 0, 0, 0, 1},
    {5, 600, 600, MaskKind::Circle, 0.85, 0, 0, 0, 1},
    // Squares: sharp, rounded, soft, soft and well rounded.
    {6, 250, 250, MaskKind::Square, 0.0, 0.0, 0, 0, 1},
    {7, 400, 400, MaskKind::Square, 0.0, 0.22, 0, 0, 1},
    {8, 500, 500, MaskKind::Square, 0.16, 0.06, 0, 0, 1},
    {9, 600, 600, MaskKind::Square, 0.40, 0.35, 0, 0, 1},
    // Diamonds: sharp, rounded, soft.
    {10, 300, 300, MaskKind::Diamond, 0.0, 0.0, 0, 0, 1},
    {11, 450, 450, MaskKind::Diamond, 0.0, 0.12, 0, 0, 1},
    {12, 600, 600, MaskKind::Diamond, 0.35, 0.06, 0, 0, 1},
    {13, 720, 480, MaskKind::Cloud, 0.40, 0, 0, 0, 1},
    // Hearts: the canvas heart hard, soft and glowing ...
    {14, 500, 500, MaskKind::Heart, 0.0, 0, 0, 0, 1},
    {15, 600, 600, MaskKind::Heart, 0.18, 0, 0, 0, 1},
    {16, 836, 844, MaskKind::Heart, 0.45, 0, 0, 0, 1},
    // Stars: five points hard and soft, six points, five round points, eight.
    {17, 400, 400, MaskKind::Star, 0.0, 0.0, 5, 0.40, 1},
    {18, 500, 500, MaskKind::Star, 0.30, 0.0, 5, 0.44, 1},
    {19, 500, 500, MaskKind::Star, 0.0, 0.0, 6, 0.56, 1},
    {20, 600, 600, MaskKind::Star, 0.0, 0.10, 5, 0.50, 1},
    {21, 600, 600, MaskKind::Star, 0.25, 0.04, 8, 0.66, 1},
    // Pentagons: sharp, rounded, soft, soft and rounded, a vignette.
    {22, 300, 300, MaskKind::Pentagon, 0.0, 0.0, 0, 0, 1},
    {23, 400, 400, MaskKind::Pentagon, 0.0, 0.18, 0, 0, 1},
    {24, 500, 500, MaskKind::Pentagon, 0.18, 0.0, 0, 0, 1},
    {25, 600, 600, MaskKind::Pentagon, 0.35, 0.15, 0, 0, 1},
    {26, 700, 700, MaskKind::Pentagon, 0.75, 0.20, 0, 0, 1},
    // ... and slim and wide hearts, hard and soft, and a broad glowing one.
    {27, 640, 760, MaskKind::Heart, 0.0, 0, 0, 0, 0.84},
    {28, 640, 760, MaskKind::Heart, 0.25, 0, 0, 0, 0.84},
    {29, 836, 700, MaskKind::Heart, 0.0, 0, 0, 0, 1.20},
    {30, 836, 700, MaskKind::Heart, 0.25, 0, 0, 0, 1.20},
    {31, 836, 844, MaskKind::Heart, 0.75, 0, 0, 0, 1},
};

// The icons of the list rows that are not masks: "MskFile" (a mask from a
// picture file) and "CusImg" (a custom text effect), 32 x 32 and, as
// "<name>@2x", 64 x 64 for dense screens.
inline constexpr int ListIconSize = 32;
inline constexpr int ListIconHighScale = 2;
inline constexpr const char* ListIcons[] = {"MskFile", "CusImg"};

// The crop dialog's tool buttons: the six selection tools, then zoom,
// revert, finish and cancel; 24 x 24 and, as "<name>@2x", 48 x 48.
inline constexpr int ToolIconSize = 24;
inline constexpr int ToolIconHighScale = 2;
inline constexpr const char* ToolIcons[] = {"SelRect", "SelRoundRect", "SelEllipse", "SelLasso",
                                            "SelPolygon", "SelWand", "ViewZoom", "Revert",
                                            "Finish", "Cancel"};

// The application icon, drawn at each size the desktop's icon theme gets
// installed, as "velmo-<size>".
inline constexpr int AppIconSizes[] = {48, 128, 256};

// The layer style dialog's built-in patterns, 24-bit seamless tiles.
struct PatternSpec {
    int Id;
    int Width;
    int Height;
};

inline constexpr PatternSpec Patterns[] = {
    {31001, 128, 128}, // rose diamonds with gold dots
    {31002, 128, 128}, // blue diagonal stripes
    {31003, 16, 16},   // a small two-tone check
};

// Resource paths: ":/velmo/<folder>/<id or name>.png".
inline constexpr const char* ShapeFolder = "shapes";
inline constexpr const char* ThumbnailFolder = "thumbnails";
inline constexpr const char* DecorationFolder = "decorations";
inline constexpr const char* CursorFolder = "cursors";
inline constexpr const char* MaskFolder = "masks";
inline constexpr const char* ListIconFolder = "icons";
inline constexpr const char* AppIconFolder = "appicon";
inline constexpr const char* ToolIconFolder = "tools";
inline constexpr const char* PatternFolder = "patterns";

} // namespace velmo::assets
