#include "steps/selection_handles.h"

#include "program_state.h"

#include <cmath>
#include <cstdlib>

TSelectionHandles HandlesOf(int L, int T, int W, int H) {
    return {{{L, T},
             {L + W / 2, T},
             {L + W, T},
             {L + W, T + H / 2},
             {L + W, T + H},
             {L + W / 2, T + H},
             {L, T + H},
             {L, T + H / 2}}};
}

int HandleAt(const TSelectionHandles& Handles, int X, int Y, int Reach) {
    for (int i = 0; i < 8; ++i)
        if (std::abs(Handles[size_t(i)].X - X) <= Reach && std::abs(Handles[size_t(i)].Y - Y) <= Reach)
            return i;
    return -1;
}

Qt::CursorShape HandleCursor(int Handle) {
    switch (Handle) {
    case 0:
    case 4:
        return Qt::SizeFDiagCursor;
    case 1:
    case 5:
        return Qt::SizeVerCursor;
    case 2:
    case 6:
        return Qt::SizeBDiagCursor;
    case 3:
    case 7:
        return Qt::SizeHorCursor;
    default:
        return Qt::ArrowCursor;
    }
}

TlxPoint SnapMovedLayer(const TGuideList& Guides, int Left, int Top, int W, int H) {
    TlxPoint p{Left, Top};
    const int count = std::clamp(Guides.Count, 0, TGuideList::MaxGuides);
    for (int i = 0; i < count; ++i) {
        const TlxPoint g = Guides.Items[size_t(i)];
        if (g.X != 0) {
            if (std::abs(Left - g.X) <= GuideSnapDistance)
                p.X = g.X;
            else if (std::abs(Left + W - g.X) <= GuideSnapDistance)
                p.X = g.X - W;
        } else {
            if (std::abs(Top - g.Y) <= GuideSnapDistance)
                p.Y = g.Y;
            else if (std::abs(Top + H - g.Y) <= GuideSnapDistance)
                p.Y = g.Y - H;
        }
    }
    return p;
}

TlxPoint SnapPoint(const TGuideList& Guides, int X, int Y) {
    TlxPoint p{X, Y};
    const int count = std::clamp(Guides.Count, 0, TGuideList::MaxGuides);
    for (int i = 0; i < count; ++i) {
        const TlxPoint g = Guides.Items[size_t(i)];
        if (g.X != 0) {
            if (std::abs(X - g.X) <= GuideSnapDistance) p.X = g.X;
        } else if (std::abs(Y - g.Y) <= GuideSnapDistance) {
            p.Y = g.Y;
        }
    }
    return p;
}

QRect HandleDragRect(int Handle, int X, int Y, int X0, int Y0, int X4, int Y4, bool KeepRatio,
                     double Ratio) {
    int x = X0, y = Y0, w = X4 - X0, h = Y4 - Y0;
    switch (Handle) {
    case 0: x = X; y = Y; w = X4 - X; h = Y4 - Y; break;
    case 1: y = Y; h = Y4 - Y; break;
    case 2: y = Y; w = X - X0; h = Y4 - Y; break;
    case 3: w = X - X0; break;
    case 4: w = X - X0; h = Y - Y0; break;
    case 5: h = Y - Y0; break;
    case 6: x = X; w = X4 - X; h = Y - Y0; break;
    case 7: x = X; w = X4 - X; break;
    default: break;
    }
    if (KeepRatio && Ratio > 0 && std::isfinite(Ratio)) {
        if (Handle == 0 || Handle == 2) {
            y = Y4 - RoundEven(w / Ratio);
            h = Y4 - y;
        } else if (Handle == 4 || Handle == 6) {
            h = RoundEven(w / Ratio);
        }
    }
    return QRect(x, y, w, h);
}
