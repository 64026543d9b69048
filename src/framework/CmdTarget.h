#pragma once
// Command routing. A command is an integer id. Each command target keeps a map from ids to
// handlers and to update handlers; the router offers a command to a chain of targets (active
// paint control, view, document, child frame, main frame, application) and the first target
// that has a handler takes it. Update handlers enable and check menu items and buttons; a
// command that no target in the chain handles is disabled.

#include <QString>

#include <functional>
#include <map>
#include <vector>

namespace tsl {

// The state of one command's user-interface items, filled by update handlers.
class CCmdUI {
public:
    explicit CCmdUI(int id) : m_id(id) {}
    int Id() const { return m_id; }
    void Enable(bool on = true) { m_enabled = on; }
    void SetCheck(bool on = true) { m_checked = on; }
    void SetText(const QString& text) { m_text = text; }
    bool IsEnabled() const { return m_enabled; }
    bool IsChecked() const { return m_checked; }
    const QString& Text() const { return m_text; }

private:
    int m_id;
    bool m_enabled = true;
    bool m_checked = false;
    QString m_text;
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Runs the handler of id; false when this target has none.
    virtual bool OnCmdMsg(int id);
    // Evaluates the update handler of id; a target with a handler but no update handler enables
    // the command. False when this target has neither.
    virtual bool OnUpdateCmdUI(CCmdUI& ui);

protected:
    void OnCommand(int id, std::function<void()> handler);
    void OnCommandRange(int first, int last, std::function<void(int)> handler);
    void OnUpdate(int id, std::function<void(CCmdUI&)> update);
    void OnUpdateRange(int first, int last, std::function<void(CCmdUI&)> update);

private:
    std::map<int, std::function<void(int)>> m_handlers;
    std::map<int, std::function<void(CCmdUI&)>> m_updates;
};

// Offers commands to the targets that the chain function returns, in order (null entries are
// skipped).
class CCommandRouter {
public:
    using Chain = std::function<std::vector<CCmdTarget*>()>;
    explicit CCommandRouter(Chain chain) : m_chain(std::move(chain)) {}
    bool Execute(int id) const;
    CCmdUI Evaluate(int id) const; // disabled when no target handles id

private:
    Chain m_chain;
};

} // namespace tsl
