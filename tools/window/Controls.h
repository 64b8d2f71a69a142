#pragma once

// A window's controls by their object names, for the tests and the tools:
// the main window keeps its controls to itself.

#include <QWidget>

namespace rallon {

// The child of `window` of type T named `name`; a missing one ends the
// program with the name.
template <class T>
T *control(const QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("%s has no %s named %s", qPrintable(window.objectName()),
               T::staticMetaObject.className(), name);
    return found;
}

}  // namespace rallon
