#pragma once

// What a screen of the program must show, checked on its widgets: every
// visible control lies inside its parent, no two visible siblings cover each
// other, and every caption has room for its text. Each fault is described in
// one line naming the widgets by object name and class.

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QWidget>

namespace layout_faults_detail {

inline QString nameOf(const QWidget* W) {
    const QString name = W->objectName().isEmpty() ? QStringLiteral("?") : W->objectName();
    return QStringLiteral("%1 (%2)").arg(name, QString::fromLatin1(W->metaObject()->className()));
}

// A caption as drawn: "&x" shows x underlined, "&&" one ampersand.
inline QString shownCaption(const QString& Text) {
    QString shown;
    for (qsizetype i = 0; i < Text.size(); ++i) {
        if (Text[i] == QLatin1Char('&') && i + 1 < Text.size()) ++i;
        shown += Text[i];
    }
    return shown;
}

// The widths a caption needs and has, or {0, 0} for a widget without one.
struct CaptionRoom {
    int Needed = 0;
    int Available = 0;
};

inline CaptionRoom buttonRoom(const QAbstractButton* B, QStyle::SubElement Contents) {
    QStyleOptionButton option;
    option.initFrom(B);
    option.text = B->text();
    option.icon = B->icon();
    option.iconSize = B->iconSize();
    if (const auto* push = qobject_cast<const QPushButton*>(B)) {
        if (push->autoDefault() || push->isDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
    }
    const QRect room = B->style()->subElementRect(Contents, &option, B);
    int needed = B->fontMetrics().horizontalAdvance(shownCaption(B->text()));
    if (!B->icon().isNull()) needed += B->iconSize().width() + 4;
    return {needed, room.width()};
}

inline CaptionRoom captionRoom(const QWidget* W) {
    if (const auto* label = qobject_cast<const QLabel*>(W)) {
        if (label->text().isEmpty() || label->wordWrap()) return {};
        const int margins = 2 * label->margin() + std::max(0, label->indent());
        return {label->fontMetrics().horizontalAdvance(label->text()),
                label->contentsRect().width() - margins};
    }
    if (const auto* push = qobject_cast<const QPushButton*>(W))
        return push->text().isEmpty() ? CaptionRoom{}
                                      : buttonRoom(push, QStyle::SE_PushButtonContents);
    if (const auto* check = qobject_cast<const QCheckBox*>(W))
        return buttonRoom(check, QStyle::SE_CheckBoxContents);
    if (const auto* radio = qobject_cast<const QRadioButton*>(W))
        return buttonRoom(radio, QStyle::SE_RadioButtonContents);
    if (const auto* combo = qobject_cast<const QComboBox*>(W)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        option.currentText = combo->currentText();
        option.currentIcon = combo->itemIcon(combo->currentIndex());
        option.iconSize = combo->iconSize();
        const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, combo);
        int needed = combo->fontMetrics().horizontalAdvance(combo->currentText());
        if (!option.currentIcon.isNull()) needed += combo->iconSize().width() + 4;
        return {needed, field.width()};
    }
    return {};
}

// Children scrolled inside a scroll area's viewport may reach beyond it, and
// so may those of a widget that scrolls its content the same way (it says so
// with the property "scrollsContent").
inline bool scrolledContent(const QWidget* Parent) {
    if (Parent->property("scrollsContent").toBool()) return true;
    const auto* area = qobject_cast<const QAbstractScrollArea*>(Parent->parentWidget());
    return area != nullptr && area->viewport() == Parent;
}

inline void collect(const QWidget* Parent, QStringList& Faults) {
    QList<const QWidget*> shown;
    for (const QObject* o : Parent->children()) {
        const auto* w = qobject_cast<const QWidget*>(o);
        if (w == nullptr || w->isWindow() || !w->isVisible()) continue;
        shown << w;
    }
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const QWidget* w = shown[i];
        if (!scrolledContent(Parent) && !Parent->rect().contains(w->geometry()))
            Faults << QStringLiteral("%1 at %2,%3 %4x%5 reaches out of %6 (%7x%8)")
                          .arg(nameOf(w))
                          .arg(w->x())
                          .arg(w->y())
                          .arg(w->width())
                          .arg(w->height())
                          .arg(nameOf(Parent))
                          .arg(Parent->width())
                          .arg(Parent->height());
        for (qsizetype j = i + 1; j < shown.size(); ++j)
            if (w->geometry().intersects(shown[j]->geometry()))
                Faults << QStringLiteral("%1 and %2 overlap in %3")
                              .arg(nameOf(w), nameOf(shown[j]), nameOf(Parent));
        const CaptionRoom room = captionRoom(w);
        if (room.Needed > room.Available)
            Faults << QStringLiteral("%1 needs %2 pixels for its caption and has %3")
                          .arg(nameOf(w))
                          .arg(room.Needed)
                          .arg(room.Available);
        if (const auto* tabs = qobject_cast<const QTabBar*>(w)) {
            for (int t = 0; t < tabs->count(); ++t) {
                if (!tabs->isTabVisible(t)) continue;
                const int needed = tabs->fontMetrics().horizontalAdvance(tabs->tabText(t));
                const QRect r = tabs->tabRect(t);
                if (needed > r.width() || !tabs->rect().contains(r))
                    Faults << QStringLiteral("tab %1 of %2 needs %3 pixels and has %4 of %5")
                                  .arg(t)
                                  .arg(nameOf(tabs))
                                  .arg(needed)
                                  .arg(r.width())
                                  .arg(tabs->width());
            }
        }
        collect(w, Faults);
    }
}

} // namespace layout_faults_detail

// The faults of Window as it is laid out now.
inline QStringList LayoutFaults(const QWidget& Window) {
    QStringList faults;
    layout_faults_detail::collect(&Window, faults);
    return faults;
}
