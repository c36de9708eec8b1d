#include "qt_translations.h"

#include "lang_strings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

TQtTranslations::TQtTranslations(QObject* parent) : QObject(parent) {}

TQtTranslations::~TQtTranslations() {
    // The translator removes itself from the application when it goes.
    delete installed_;
}

QString TQtTranslations::FileFor(int Base) {
    if (Base == LangSimplified) return QStringLiteral("qtbase_zh_CN");
    if (Base == LangTraditional) return QStringLiteral("qtbase_zh_TW");
    return {};
}

QString TQtTranslations::Folder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool TQtTranslations::Use(int Base) {
    if (installed_ != nullptr) {
        QCoreApplication::removeTranslator(installed_);
        delete installed_;
        installed_ = nullptr;
    }
    const QString file = FileFor(Base);
    if (file.isEmpty()) return true;
    auto* translator = new QTranslator;
    if (!translator->load(file, Folder())) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed_ = translator;
    return true;
}
