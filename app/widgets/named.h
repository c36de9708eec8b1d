#pragma once

// Window components carry their member's name as their object name, so
// tests and style sheets find them by it.

#include <QString>
#include <QWidget>

#include <utility>

// Object, named Name.
template <class T> T* named(T* Object, const char* Name) {
    Object->setObjectName(QString::fromLatin1(Name));
    return Object;
}

// A new T named Name, built from Args followed by Parent (Qt's order).
template <class T, class... Args> T* makeNamed(QWidget* Parent, const char* Name, Args&&... args) {
    return named(new T(std::forward<Args>(args)..., Parent), Name);
}
