#include "widgets/step_tab_bar.h"

#include <QPainter>

TStepTabBar::TStepTabBar(QWidget* parent) : QTabBar(parent) {
    setDrawBase(false);
    setExpanding(false);
    QFont f = font();
    f.setBold(true);
    setFont(f);
}

void TStepTabBar::SplitCaption(const QString& Caption, QString& First, QString& Rest) {
    const qsizetype at = Caption.indexOf(QLatin1String("  "));
    if (at < 0) {
        First = Caption;
        Rest.clear();
        return;
    }
    First = Caption.left(at + 2);
    Rest = Caption.mid(at + 2);
}

QSize TStepTabBar::tabSizeHint(int index) const {
    const QFontMetrics m(font());
    return QSize(m.horizontalAdvance(tabText(index)) + 48, m.height() + 14);
}

void TStepTabBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics m(font());
    for (int i = 0; i < count(); ++i) {
        if (!isTabVisible(i)) continue;
        const QRect r = tabRect(i);
        painter.fillRect(r, Qt::yellow);
        QString first, rest;
        SplitCaption(tabText(i), first, rest);
        // Centring uses the whole caption, whichever way it is split.
        const int whole = m.horizontalAdvance(tabText(i));
        const int x = r.left() + (r.width() - whole) / 2;
        const int baseline = r.top() + (r.height() - m.height()) / 2 + m.ascent();
        painter.setPen(Qt::black);
        painter.drawText(x, baseline, first);
        if (!rest.isEmpty()) {
            const int restX = x + m.horizontalAdvance(first);
            painter.fillRect(QRect(QPoint(restX - 4, r.top()), r.bottomRight()), Qt::red);
            painter.setPen(Qt::white);
            painter.drawText(restX, baseline, rest);
        }
    }
}
