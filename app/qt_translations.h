#pragma once

// Qt's own texts (the buttons of message boxes, the colour and file
// dialogs) in the program's language: the Qt base translation of the
// language is installed in the application and replaced when the language
// changes. English needs none.

#include <QObject>
#include <QString>

class QTranslator;

class TQtTranslations : public QObject {
    Q_OBJECT
public:
    explicit TQtTranslations(QObject* parent = nullptr);
    ~TQtTranslations() override;

    // Installs Qt's translation for the language of block Base (100, 1000 or
    // 2000) and removes the one installed before. False when the language
    // has a translation but its file could not be loaded (Qt then speaks
    // English).
    bool Use(int Base);

    // The translation file of block Base ("qtbase_zh_CN" ...), empty for English.
    static QString FileFor(int Base);
    // The folder Qt's translations are installed in.
    static QString Folder();

private:
    QTranslator* installed_ = nullptr;
};
