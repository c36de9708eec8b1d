#pragma once

// The main window as the app's tests drive it: an English system unless a
// test says otherwise, every message box and dialog answered by the fake
// desktop, and the clicks a user would make. The step buttons' clock is the
// fixture's: next() and back() are the clicks of a user who waits a moment
// between them, so a step change never refuses them as a double click.

#include "app/fake_ui_services.h"
#include "main_window.h"
#include "steps/canvas_step.h"
#include "widgets/step_click_guard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <memory>

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    std::unique_ptr<TVelmoBalloonForm> window() {
        auto w = std::make_unique<TVelmoBalloonForm>(services);
        w->StepGuard->Clock = [this] { return clock; };
        w->resize(1000, 760);
        w->show();
        return w;
    }

    // A 1400 x 1000 window gone on to step 2 with a Cm x Cm canvas.
    std::unique_ptr<TVelmoBalloonForm> stepTwoWindow(const char* Cm) {
        auto w = window();
        w->resize(1400, 1000);
        w->TabSheet1->Edit1->setText(QString::fromLatin1(Cm));
        w->TabSheet1->Edit2->setText(QString::fromLatin1(Cm));
        next(*w);
        EXPECT_EQ(w->CurrentStep(), 1);
        QApplication::processEvents();
        return w;
    }

    template <class T> static T* child(QWidget* w, const char* name) {
        T* found = w->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static void chooseTemplate(TVelmoBalloonForm& w, int row) {
        child<QListWidget>(&w, "ListView4")->setCurrentRow(row);
    }

    // A second later: past any double-click interval.
    void pause() { clock += 1000; }
    void next(TVelmoBalloonForm& w) {
        pause();
        QTest::mouseClick(child<QPushButton>(&w, "BitBtn4"), Qt::LeftButton);
    }
    void back(TVelmoBalloonForm& w) {
        pause();
        QTest::mouseClick(child<QPushButton>(&w, "BitBtn3"), Qt::LeftButton);
    }

    TFakeUiServices services;
    // Milliseconds on the step buttons' clock.
    qint64 clock = 100000;
};
