#pragma once

// The rotate dialog, which doubles as the input box for a custom view zoom:
// as rotate dialog it asks for an angle of -360 to 360 degrees, as zoom input
// for a percentage.

#include <QDialog>
#include <QString>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

struct TForm2Settings {
    bool ZoomInput = false; // the zoom input role instead of the rotate role
    int Angle = 0;          // degrees, -360 .. 360
    QString ZoomText = QStringLiteral("100"); // percent, as typed
    bool operator==(const TForm2Settings&) const = default;
};

class TForm2 : public QDialog {
    Q_OBJECT
public:
    using Settings = TForm2Settings;

    explicit TForm2(QWidget* parent = nullptr);

    // Takes the role and the values; the role decides the captions and
    // whether the angle or the percentage is asked for.
    void Preset(const Settings& S);
    Settings Read() const;

    // The zoom the typed percent asks for (value / 100), nothing when the
    // text is not a number > 0.
    static std::optional<double> ZoomFromText(const QString& Text);

private:
    QLabel* Label1;
    QSpinBox* SpinEdit1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    bool ZoomInput_ = false;
};
