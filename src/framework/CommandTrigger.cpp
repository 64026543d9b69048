#include "framework/CommandTrigger.h"

#include <QCoreApplication>
#include <QInputEvent>
#include <QPointer>

namespace tsl {
namespace {

Qt::KeyboardModifiers g_lastInput;
Qt::KeyboardModifiers g_current;

class InputRecorder final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            g_lastInput = static_cast<QInputEvent*>(event)->modifiers();
            break;
        default: break;
        }
        return false;
    }
};

} // namespace

void CCommandTrigger::Track() {
    static QPointer<InputRecorder> recorder; // gone with the application that owned it
    if (recorder || !QCoreApplication::instance()) return;
    recorder = new InputRecorder(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(recorder);
}

Qt::KeyboardModifiers CCommandTrigger::LastInput() { return g_lastInput; }

Qt::KeyboardModifiers CCommandTrigger::Modifiers() { return g_current; }

CCommandTrigger::Scope::Scope(Qt::KeyboardModifiers modifiers) : m_previous(g_current) {
    g_current = modifiers;
}

CCommandTrigger::Scope::~Scope() { g_current = m_previous; }

} // namespace tsl
