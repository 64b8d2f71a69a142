#pragma once

// A window's controls by their object names, for the tests and the tools:
// the main window and the key entry window keep their controls to
// themselves.

#include <QWidget>

namespace rallon {

// The child of `window` of type T named `name`; a missing one ends the
// program with the name.
template <class T>
T *control(const QWidget &window, const QString &name)
{
    T *found = window.findChild<T *>(name);
    if (!found)
        qFatal("%s has no %s named %s", qPrintable(window.objectName()),
               T::staticMetaObject.className(), qPrintable(name));
    return found;
}

}  // namespace rallon
