#include "colour_box.h"

#include "lang_strings.h"
#include "dialog_services.h"

#include <QPainter>
#include <QPixmap>

namespace {

struct NamedColour {
    TColor Color;
    const char* English;
    const char* Simplified;
    const char* Traditional;
};

// The standard colours followed by the extended ones.
const NamedColour kColours[] = {
    {lxRGB(255, 255, 255), "White", "白色", "白色"},
    {lxRGB(0, 0, 0), "Black", "黑色", "黑色"},
    {lxRGB(128, 0, 0), "Maroon", "栗色", "栗色"},
    {lxRGB(0, 128, 0), "Green", "绿色", "綠色"},
    {lxRGB(128, 128, 0), "Olive", "橄榄色", "橄欖色"},
    {lxRGB(0, 0, 128), "Navy", "藏青色", "藏青色"},
    {lxRGB(128, 0, 128), "Purple", "紫色", "紫色"},
    {lxRGB(0, 128, 128), "Teal", "蓝绿色", "藍綠色"},
    {lxRGB(128, 128, 128), "Gray", "灰色", "灰色"},
    {lxRGB(192, 192, 192), "Silver", "银色", "銀色"},
    {lxRGB(255, 0, 0), "Red", "红色", "紅色"},
    {lxRGB(0, 255, 0), "Lime", "亮绿色", "亮綠色"},
    {lxRGB(255, 255, 0), "Yellow", "黄色", "黃色"},
    {lxRGB(0, 0, 255), "Blue", "蓝色", "藍色"},
    {lxRGB(255, 0, 255), "Fuchsia", "紫红色", "紫紅色"},
    {lxRGB(0, 255, 255), "Aqua", "浅绿色", "淺綠色"},
    {lxRGB(192, 220, 192), "Money Green", "淡绿色", "淡綠色"},
    {lxRGB(166, 202, 240), "Sky Blue", "天蓝色", "天藍色"},
    {lxRGB(255, 251, 240), "Cream", "乳白色", "乳白色"},
    {lxRGB(160, 160, 164), "Medium Gray", "中灰色", "中灰色"},
};

QColor toQColor(TColor c) {
    return QColor(int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255));
}

QIcon swatch(TColor c) {
    QPixmap pixmap(24, 16);
    pixmap.fill(toQColor(c));
    QPainter painter(&pixmap);
    painter.setPen(QColor(96, 96, 96));
    painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    return QIcon(pixmap);
}

const char* nameIn(const NamedColour& c) {
    if (LangBase == LangSimplified) return c.Simplified;
    if (LangBase == LangTraditional) return c.Traditional;
    return c.English;
}

} // namespace

TColorBox::TColorBox(TDialogServices& Services, QWidget* parent)
    : QComboBox(parent), services_(Services) {
    setIconSize(QSize(24, 16));
    rebuild(lxRGB(255, 255, 255));
    connect(this, &QComboBox::activated, this, &TColorBox::onActivated);
}

TColor TColorBox::Selected() const {
    return currentData().isValid() ? TColor(currentData().toUInt()) : lxRGB(255, 255, 255);
}

void TColorBox::SetSelected(TColor Color) {
    Color &= 0xFFFFFF;
    int index = findData(Color);
    if (index < 0) {
        // A colour without a name goes in just before the custom entry.
        index = count() - 1;
        insertItem(
            index, swatch(Color),
            QStringLiteral("#%1").arg(
                QString::number(
                    lxRGB(int(Color >> 16 & 255), int(Color >> 8 & 255), int(Color & 255)), 16)
                    .rightJustified(6, QLatin1Char('0'))
                    .toUpper()),
            Color);
    }
    setCurrentIndex(index);
    lastIndex_ = index;
}

void TColorBox::Recaption() {
    rebuild(Selected());
}

void TColorBox::SetCustomCaption(int k) {
    customCaption_ = k;
    rebuild(Selected());
}

void TColorBox::rebuild(TColor keep) {
    const QSignalBlocker block(this);
    clear();
    for (const NamedColour& c : kColours)
        addItem(swatch(c.Color), QString::fromUtf8(nameIn(c)), c.Color);
    // The custom entry carries no colour; choosing it opens the colour dialog.
    addItem(LangText(customCaption_));
    SetSelected(keep);
}

void TColorBox::onActivated(int index) {
    if (itemData(index).isValid()) {
        lastIndex_ = index;
        return;
    }
    const TColor before = TColor(itemData(lastIndex_).toUInt());
    const QColor chosen = services_.ChooseColour(this, toQColor(before));
    if (!chosen.isValid()) {
        setCurrentIndex(lastIndex_);
        return;
    }
    SetSelected(lxRGB(chosen.red(), chosen.green(), chosen.blue()));
}
