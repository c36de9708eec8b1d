#include "steps/text_effect_list.h"

#include "lang_strings.h"
#include "velmo_assets.h"

#include <QPixmap>

namespace {

// The captions of the built-in effects 1 .. 12, in list order.
constexpr int FirstEffectCaption = 244;
static_assert(TTextEffectList::CustomRow == velmo::TextEffectCount + 1);

} // namespace

TTextEffectList::TTextEffectList(QWidget* parent) : QListWidget(parent) {
    setIconSize(QSize(32, 32));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    LoadTextZoom();
}

void TTextEffectList::LoadTextZoom() {
    const int keep = currentRow();
    const QSignalBlocker quiet(this);
    clear();
    const qreal ratio = devicePixelRatioF();
    // The list is narrow: each row's tip gives its whole caption with the
    // list's hint.
    const QString hint = LangText(33);
    auto add = [&](const QImage& icon, const QString& caption) {
        auto* row = new QListWidgetItem(QIcon(QPixmap::fromImage(icon)), caption);
        row->setToolTip(caption + QLatin1Char('\n') + hint);
        addItem(row);
    };
    add(velmo::ListIcon(QStringLiteral("Blank"), ratio), LangText(46));
    for (int row = 1; row <= velmo::TextEffectCount; ++row)
        add(velmo::TextEffectIcon(row, ratio), LangText(FirstEffectCaption + row - 1));
    add(velmo::ListIcon(QStringLiteral("CusImg"), ratio), LangText(143));
    item(CustomRow)->setHidden(!CustomRowOffered);
    // A list has no column header here; its caption names it for
    // accessibility tools.
    setAccessibleName(LangText(29));
    setToolTip(hint);
    if (keep >= 0 && keep < count() && !item(keep)->isHidden()) setCurrentRow(keep);
}
