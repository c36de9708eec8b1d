#pragma once

// The program's own help viewer: the help pages in a plain window beside
// the design window, so help works whether or not the desktop has a
// browser. One window serves every request; links between the pages are
// followed inside it.

#include <QUrl>
#include <QWidget>

class QTextBrowser;

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows Page (a local file, with or without a fragment) captioned
    // Caption, and brings the window to the front.
    void ShowPage(const QUrl& Page, const QString& Caption);

    QTextBrowser* HelpBrowser = nullptr;
};

// A button caption as a window caption: "帮助(&H)" -> "帮助", "&Help" -> "Help".
QString CaptionWithoutAccelerator(const QString& Caption);
