#pragma once

// The manage-guides dialog: the guides as a list, each row editable in
// orientation and position (pixels, millimetres, centimetres or inches at
// 100 pixels to the inch), deletable one at a time.

#include <QDialog>
#include <QString>

#include "lxTypes.h"

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

struct TGuideEntry {
    bool Vertical = true;
    int Position = 0; // image pixels
    bool operator==(const TGuideEntry&) const = default;
};

struct TForm95Settings {
    std::vector<TGuideEntry> Guides;
    bool operator==(const TForm95Settings&) const = default;
};

class TForm95 : public QDialog {
    Q_OBJECT
public:
    using Settings = TForm95Settings;

    // ShowError shows an error message over the given window (the dialog).
    explicit TForm95(std::function<void(QWidget*, const QString&)> ShowError,
                     QWidget* parent = nullptr);

    // Lists the guides and selects the first.
    void Preset(const Settings& S);
    // The guides as edited.
    Settings Read() const;

private:
    int selectedRow() const;
    void rebuildRows();
    void updateRow(int Row);
    void showSelected();
    void orientationClicked(bool Vertical);
    void positionEdited(const QString& Text);
    void deleteSelected();

    std::function<void(QWidget*, const QString&)> ShowError_;
    std::vector<TGuideEntry> Guides_;

    QTreeWidget* LV;
    QRadioButton* Rb1; // horizontal
    QRadioButton* Rb2; // vertical
    QLabel* Label1;
    QLineEdit* Edit1;
    QComboBox* Cb;
    QPushButton* Button1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};

// The guide list's (x, y) pairs <-> entries: x != 0 vertical at x, else
// horizontal at y.
std::vector<TGuideEntry> GuideEntriesFromPoints(const TlxPoint* Points, int Count);
std::vector<TlxPoint> GuidePointsFromEntries(const std::vector<TGuideEntry>& Entries);
