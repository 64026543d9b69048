#pragma once
// The keyboard modifiers of the key press or click that ran the command being executed. A
// command such as Replace Color reads Shift from here, never from the keyboard's state when it
// runs: the menu item, accelerator or tool-bar button that triggered it carries the modifiers
// of its own event.
//
// Tracking: an application-wide filter (installed by Track(), once) records the modifiers of
// every key, shortcut-override and mouse-button event as it is delivered; whoever dispatches a
// command from such an event opens a Scope with LastInput(), so the command sees them for its
// duration. A command run by code (no scope) sees no modifiers.

#include <Qt>

namespace tsl {

class CCommandTrigger {
public:
    // Installs the recording filter on the application (once; later calls do nothing).
    static void Track();
    // The modifiers of the latest key or mouse-button event delivered.
    static Qt::KeyboardModifiers LastInput();
    // The modifiers of the command being run; none outside a Scope.
    static Qt::KeyboardModifiers Modifiers();
    static bool Shift() { return Modifiers() & Qt::ShiftModifier; }

    class Scope {
    public:
        explicit Scope(Qt::KeyboardModifiers modifiers);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Qt::KeyboardModifiers m_previous;
    };
};

} // namespace tsl
