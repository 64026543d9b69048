#include "framework/CmdTarget.h"

namespace tsl {

bool CCmdTarget::OnCmdMsg(int id) {
    auto it = m_handlers.find(id);
    if (it == m_handlers.end()) return false;
    auto handler = it->second; // the handler may change this target's maps
    handler(id);
    return true;
}

bool CCmdTarget::OnUpdateCmdUI(CCmdUI& ui) {
    auto update = m_updates.find(ui.Id());
    if (update != m_updates.end()) {
        update->second(ui);
        return true;
    }
    if (m_handlers.count(ui.Id())) {
        ui.Enable(true);
        return true;
    }
    return false;
}

void CCmdTarget::OnCommand(int id, std::function<void()> handler) {
    m_handlers[id] = [h = std::move(handler)](int) { h(); };
}

void CCmdTarget::OnCommandRange(int first, int last, std::function<void(int)> handler) {
    for (int id = first; id <= last; ++id) m_handlers[id] = handler;
}

void CCmdTarget::OnUpdate(int id, std::function<void(CCmdUI&)> update) {
    m_updates[id] = std::move(update);
}

void CCmdTarget::OnUpdateRange(int first, int last, std::function<void(CCmdUI&)> update) {
    for (int id = first; id <= last; ++id) m_updates[id] = update;
}

bool CCommandRouter::Execute(int id) const {
    for (CCmdTarget* target : m_chain())
        if (target && target->OnCmdMsg(id)) return true;
    return false;
}

CCmdUI CCommandRouter::Evaluate(int id) const {
    CCmdUI ui(id);
    for (CCmdTarget* target : m_chain())
        if (target && target->OnUpdateCmdUI(ui)) return ui;
    ui.Enable(false);
    return ui;
}

} // namespace tsl
