#include "widgets/help_window.h"

#include "widgets/named.h"

#include <QRegularExpression>
#include <QTextBrowser>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    HelpBrowser = makeNamed<QTextBrowser>(this, "HelpBrowser");
    // Pages link to each other by relative paths; addresses outside the
    // folder go to the desktop's own handler when there is one.
    HelpBrowser->setOpenLinks(true);
    HelpBrowser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(HelpBrowser);
    resize(760, 680);
}

void THelpWindow::ShowPage(const QUrl& Page, const QString& Caption) {
    setWindowTitle(Caption);
    HelpBrowser->setSource(Page);
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

QString CaptionWithoutAccelerator(const QString& Caption) {
    QString text = Caption;
    // The Chinese form names the key in brackets after the text.
    text.remove(QRegularExpression(QStringLiteral("\\s*\\(&.\\)")));
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text.trimmed();
}
