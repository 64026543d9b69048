#pragma once
// Dialog controls made in code and named after their resource ids, "Control<id>", so that the
// dialog's handlers and the tests find them by id (QObject::findChild).

#include <QString>
#include <QWidget>

namespace tsl {

template <class T> T* MakeControl(int id, QWidget* parent) {
    T* w = new T(parent);
    w->setObjectName(QStringLiteral("Control%1").arg(id));
    return w;
}

template <class T> T* MakeControl(int id, QWidget* parent, const char* text) {
    T* w = new T(QString::fromUtf8(text), parent);
    w->setObjectName(QStringLiteral("Control%1").arg(id));
    return w;
}

} // namespace tsl
