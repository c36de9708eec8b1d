#pragma once

// Next and Back change the page under the mouse: the button the user just
// pressed stays where it was, so the second click of a double click would
// go on to the following step. After a step change the guard refuses the
// step buttons for the platform's double-click interval.

#include <QElapsedTimer>
#include <QObject>

#include <functional>

class TStepClickGuard : public QObject {
    Q_OBJECT
public:
    explicit TStepClickGuard(QObject* parent = nullptr);

    // True when a click on a step button may act now; false while the last
    // step change is younger than Interval.
    bool Accept() const;
    // A step change has just finished: clicks are refused from now on for
    // Interval milliseconds.
    void StepChanged();

    // Milliseconds after a step change in which clicks are refused; the
    // platform's double-click interval unless set.
    int Interval;
    // The time in milliseconds on a steady clock; replaceable for tests.
    std::function<qint64()> Clock;

private:
    QElapsedTimer steady_;
    qint64 changedAt_ = 0;
    bool changed_ = false;
};
