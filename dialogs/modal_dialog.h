#pragma once

// The one way a dialog is used: created right before use, preset, shown
// modally, read when it closed with OK. Showing goes through a runner, so
// the program shows dialogs on screen while tests answer them in place,
// without an event loop.

#include <QDialog>

#include <concepts>
#include <optional>

class TModalRunner {
public:
    virtual ~TModalRunner();
    // Shows Dialog modally and returns its result: QDialog::Accepted when it
    // closed with OK, QDialog::Rejected otherwise.
    virtual int RunModal(QDialog& Dialog) = 0;
};

// A dialog with a settings struct that it shows and gives back.
template <class D>
concept ModalDialog = std::derived_from<D, QDialog> &&
    requires(D& Dialog, const D& Shown, const typename D::Settings& Settings) {
    Dialog.Preset(Settings);
    { Shown.Read() } -> std::convertible_to<typename D::Settings>;
};

// Presets Dialog, shows it through Runner and returns what it holds when it
// closed with OK; nothing when it was cancelled, so the caller's settings
// stay as they were.
template <ModalDialog D>
std::optional<typename D::Settings> RunDialog(TModalRunner& Runner, D& Dialog,
                                              const typename D::Settings& Preset) {
    Dialog.Preset(Preset);
    if (Runner.RunModal(Dialog) != QDialog::Accepted) return std::nullopt;
    return Dialog.Read();
}
