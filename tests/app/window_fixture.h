#pragma once

// The main window as the app's tests drive it: an English system unless a
// test says otherwise, every message box and dialog answered by the fake
// desktop, and the clicks a user would make.

#include "app/fake_ui_services.h"
#include "main_window.h"

#include <gtest/gtest.h>

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
        w->resize(1000, 760);
        w->show();
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

    static void next(TVelmoBalloonForm& w) {
        QTest::mouseClick(child<QPushButton>(&w, "BitBtn4"), Qt::LeftButton);
    }
    static void back(TVelmoBalloonForm& w) {
        QTest::mouseClick(child<QPushButton>(&w, "BitBtn3"), Qt::LeftButton);
    }

    TFakeUiServices services;
};
