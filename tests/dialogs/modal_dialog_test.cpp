#include "modal_dialog.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>

#include <functional>

namespace {

struct TLabelSettings {
    QString Text;
    int Copies = 1;
    bool operator==(const TLabelSettings&) const = default;
};

void PrintTo(const TLabelSettings& S, std::ostream* Os) {
    *Os << '"' << S.Text.toStdString() << "\" x " << S.Copies;
}

// A dialog of the kind the program has: its settings in, edited, out.
class TLabelDialog : public QDialog {
public:
    using Settings = TLabelSettings;

    TLabelDialog() {
        Edit = new QLineEdit(this);
        Copies = new QSpinBox(this);
        Copies->setRange(1, 99);
        Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Edit);
        layout->addWidget(Copies);
        layout->addWidget(Buttons);
    }
    void Preset(const Settings& S) {
        Edit->setText(S.Text);
        Copies->setValue(S.Copies);
    }
    Settings Read() const { return {Edit->text(), Copies->value()}; }

    QLineEdit* Edit;
    QSpinBox* Copies;
    QDialogButtonBox* Buttons;
};

static_assert(ModalDialog<TLabelDialog>);
static_assert(!ModalDialog<QDialog>); // no settings to preset or read

// Plays the user: sees the dialog as it is shown and closes it.
class TAnsweringRunner : public TModalRunner {
public:
    std::function<void(TLabelDialog&)> User;
    TLabelSettings Seen; // what the dialog showed when it opened
    int Shown = 0;

    int RunModal(QDialog& Dialog) override {
        ++Shown;
        auto& dialog = static_cast<TLabelDialog&>(Dialog);
        Seen = dialog.Read();
        User(dialog);
        return Dialog.result();
    }
};

void press(TLabelDialog& D, QDialogButtonBox::StandardButton B) {
    QTest::mouseClick(D.Buttons->button(B), Qt::LeftButton);
}

TEST(ModalDialogTest, HowTheDialogClosesDecidesWhatTheCallerGets) {
    const TLabelSettings before{"Anna", 2};
    struct Case {
        const char* what;
        std::function<void(TLabelDialog&)> close;
        bool accepted;
    };
    const Case cases[] = {
        {"OK", [](TLabelDialog& d) { press(d, QDialogButtonBox::Ok); }, true},
        {"Cancel", [](TLabelDialog& d) { press(d, QDialogButtonBox::Cancel); }, false},
        {"Escape", [](TLabelDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, false},
    };
    for (const Case& c : cases) {
        TAnsweringRunner runner;
        runner.User = [&](TLabelDialog& d) {
            d.Edit->setText("Bernd");
            d.Copies->setValue(7);
            c.close(d);
        };
        TLabelSettings current = before;
        TLabelDialog dialog;
        if (const auto read = RunDialog(runner, dialog, current)) current = *read;

        EXPECT_EQ(runner.Shown, 1) << c.what;
        EXPECT_EQ(runner.Seen, before) << c.what; // preset before it was shown
        const TLabelSettings edited{"Bernd", 7};
        EXPECT_EQ(current, c.accepted ? edited : before) << c.what;
    }
}

TEST(ModalDialogTest, EachRunShowsThePresetNotWhatACancelledRunLeft) {
    TAnsweringRunner runner;
    TLabelDialog dialog;
    runner.User = [](TLabelDialog& d) {
        d.Edit->setText("typed, then cancelled");
        press(d, QDialogButtonBox::Cancel);
    };
    EXPECT_FALSE(RunDialog(runner, dialog, {"Anna", 2}));

    runner.User = [](TLabelDialog& d) { press(d, QDialogButtonBox::Ok); };
    const auto read = RunDialog(runner, dialog, {"Anna", 3});
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (TLabelSettings{"Anna", 3}));
}

} // namespace
