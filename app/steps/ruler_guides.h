#pragma once

// The rulers around the step-2 canvas and the guide lines: the two rulers
// in white strips along the top and the left of the scroll box, the unit
// button in their corner with its menu, the guide menu on a right click,
// and the commands that add, clear, lock and manage guides. The guides
// themselves live in the program state; the first ten are also kept in the
// background layer's host data, which design files carry.

#include "lxTypes.h"
#include "qnRuler.h"

#include <QObject>
#include <QPoint>
#include <QRect>

#include <functional>

class QAction;
class QMenu;
class QScrollArea;
class QToolButton;
class QWidget;
class TUiServices;
class TlxImage;
class TlxImageVcl;
struct TGuideList;

class TRulerGuides : public QObject {
    Q_OBJECT
public:
    // The rulers are made inside Scroll's margins; Repaint redraws the canvas.
    TRulerGuides(QScrollArea& Scroll, TlxImageVcl& Doc, TGuideList& Guides, TUiServices& Services,
                 std::function<void()> Repaint);

    // Thickness of the ruler strips.
    static constexpr int StripSize = 20;
    // Where guides are kept in the background layer's host data.
    static constexpr int HostGuidesOffset = 29;
    static constexpr int HostGuideCountOffset = 120;
    static constexpr int HostGuidesMax = 10;

    // The rulers follow the canvas: Canvas is its rectangle in the scroll
    // box's viewport. Also takes the document's zoom.
    void Place(const QRect& Canvas);
    // The mouse markers, in canvas pixels.
    void SetMarkers(int X, int Y);
    // The unit of the rulers and of the window caption's coordinates.
    TqnUnit Unit() const;
    // Guides cannot be dragged with the mouse while locked (the start state).
    bool GuidesLocked() const;
    void Recaption();

    // The unit menu.
    void SpeedButton1Click();
    void N17Click();
    void N18Click();
    void N19Click();
    // The guide menu: add, clear, manage; "lock" (N22) is a check item
    // that toggles itself.
    void N20Click();
    void N21Click();
    void N23Click();
    // A guide added at image position (as the list stores it); false, with
    // nothing added, when the list is full.
    bool AddGuide(TlxPoint Guide);
    // Writes the count (at most ten) and the first guides into the
    // background layer's host data.
    static void StoreGuides(TlxImage& Doc, const TGuideList& Guides);
    // The guides of a document's host data.
    static void ReadStoredGuides(const TlxImage& Doc, TGuideList& Guides);

    TqnRuler* qnRuler1 = nullptr; // along the top
    TqnRuler* qnRuler2 = nullptr; // along the left
    QWidget* PaintBox1 = nullptr; // the top strip
    QWidget* PaintBox2 = nullptr; // the left strip
    QToolButton* SpeedButton1 = nullptr;
    QMenu* PopupMenu6 = nullptr;
    QAction* N17 = nullptr;
    QAction* N18 = nullptr;
    QAction* N19 = nullptr;
    QMenu* PopupMenu7 = nullptr;
    QAction* N20 = nullptr;
    QAction* N21 = nullptr;
    QAction* N22 = nullptr;
    QAction* N23 = nullptr;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void setUnit(TqnUnit Unit, QAction* Item, const char* Caption);
    void layoutStrips();
    void qnRuler1MouseUp(Qt::MouseButton Button, QPoint Global);

    QScrollArea& scroll_;
    TlxImageVcl& doc_;
    TGuideList& guides_;
    TUiServices& services_;
    std::function<void()> repaint_;
};
