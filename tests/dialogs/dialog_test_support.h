#pragma once

// What the dialog tests share: a runner that plays the user, finding a
// dialog's controls by name, and a language switch that undoes itself.

#include "app/layout_faults.h"
#include "lang_strings.h"
#include "modal_dialog.h"

#include <QDialog>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

// Shows the dialog (so its controls have their places), lets User act on it
// and answers with how the dialog closed.
class TAnsweringRunner : public TModalRunner {
public:
    std::function<void(QDialog&)> User;
    int Shown = 0;

    int RunModal(QDialog& Dialog) override {
        ++Shown;
        Dialog.setResult(QDialog::Rejected);
        Dialog.show();
        if (!QTest::qWaitForWindowExposed(&Dialog)) ADD_FAILURE() << "dialog not shown";
        if (User) User(Dialog);
        Dialog.hide();
        return Dialog.result();
    }
};

// The control of Window named Name; a missing one fails the test.
template <class T> T* child(const QObject& Window, const char* Name) {
    T* found = Window.findChild<T*>(QString::fromLatin1(Name));
    if (found == nullptr) throw std::runtime_error(std::string("no control ") + Name);
    return found;
}

// Switches the language for one scope.
class TLanguageScope {
public:
    explicit TLanguageScope(int Base) : Saved(LangBase) { LangBase = Base; }
    ~TLanguageScope() { LangBase = Saved; }
    TLanguageScope(const TLanguageScope&) = delete;
    TLanguageScope& operator=(const TLanguageScope&) = delete;

private:
    int Saved;
};

inline const char* languageName(int Base) {
    return Base == LangSimplified ? "Simplified" : Base == LangTraditional ? "Traditional" : "English";
}

// Shows Window and checks that every caption fits and nothing overlaps, and
// that its border is fixed (the size cannot be changed).
inline void expectTidyFixedLayout(QDialog& Window, const std::string& What) {
    Window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window)) << What;
    const QStringList faults = LayoutFaults(Window);
    EXPECT_TRUE(faults.isEmpty()) << What << ":\n" << faults.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(Window.minimumSize(), Window.maximumSize()) << What;
    EXPECT_EQ(Window.size(), Window.minimumSize()) << What;
    Window.hide();
}

inline void clickAtLeft(QWidget* Button) {
    QTest::mouseClick(Button, Qt::LeftButton, {}, QPoint(6, Button->height() / 2));
}
