#include "capture/X11Wrapper.h"

#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tsl::x11 {
namespace {

template <typename T> struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

constexpr std::uint16_t kNumLock = XCB_MOD_MASK_2;
constexpr std::uint16_t kCapsLock = XCB_MOD_MASK_LOCK;

} // namespace

struct X11Connection::State {
    xcb_connection_t* c = nullptr;
    xcb_screen_t* screen = nullptr;
    // Shared-memory segment for grabs, grown as needed.
    xcb_shm_seg_t seg = 0;
    int shmId = -1;
    std::uint8_t* shmAddr = nullptr;
    std::size_t shmSize = 0;
    // The grabbed key.
    std::vector<xcb_keycode_t> keycodes;
    std::uint16_t modifiers = 0;
    bool keyGrabbed = false;
};

std::unique_ptr<X11Connection> X11Connection::Open(const std::string& displayName) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        return nullptr;
    }
    std::unique_ptr<X11Connection> x(new X11Connection);
    x->m = std::make_unique<State>();
    x->m->c = c;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    x->m->screen = it.data;
    if (!x->m->screen || x->m->screen->root_depth < 24) return nullptr; // 32-bit pixels only
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    x->m_shmOk = shm && shm->present;
    return x;
}

X11Connection::~X11Connection() {
    if (!m) return;
    UngrabKey();
    ReleaseShm();
    xcb_disconnect(m->c);
}

void X11Connection::ReleaseShm() {
    if (!m->shmAddr) return;
    xcb_shm_detach(m->c, m->seg);
    xcb_flush(m->c);
    shmdt(m->shmAddr);
    m->shmAddr = nullptr;
    m->shmSize = 0;
}

int X11Connection::FileDescriptor() const { return xcb_get_file_descriptor(m->c); }

Rect X11Connection::Screen() const {
    return {0, 0, m->screen->width_in_pixels, m->screen->height_in_pixels};
}

namespace {

void CopyRows(const std::uint8_t* in, int width, int rows, std::uint8_t* out, std::size_t stride, bool opaque) {
    const std::size_t row = std::size_t(width) * 4;
    for (int y = 0; y < rows; ++y) {
        std::uint8_t* o = out + stride * std::size_t(y);
        if (!opaque) {
            std::memcpy(o, in + row * y, row);
            continue;
        }
        const auto* i32 = reinterpret_cast<const std::uint32_t*>(in + row * y);
        auto* o32 = reinterpret_cast<std::uint32_t*>(o);
        for (int x = 0; x < width; ++x) o32[x] = i32[x] | 0xFF000000u;
    }
}

} // namespace

std::optional<Pixels> X11Connection::GrabDrawable(std::uint32_t drawable, Rect rect, int depth) {
    if (rect.Empty()) return std::nullopt;
    Pixels out;
    out.width = rect.width;
    out.height = rect.height;
    out.bytes.resize(std::size_t(rect.width) * rect.height * 4);
    if (!GrabDrawableInto(drawable, rect, depth, out.bytes.data(), std::size_t(rect.width) * 4, false))
        return std::nullopt;
    return out;
}

bool X11Connection::GrabDrawableInto(std::uint32_t drawable, Rect rect, int depth, std::uint8_t* rows,
                                     std::size_t stride, bool opaque) {
    if (rect.Empty()) return false;
    const std::size_t size = std::size_t(rect.width) * rect.height * 4;
    if (m_shmOk && depth == m->screen->root_depth) {
        if (m->shmSize < size) {
            ReleaseShm();
            m->shmId = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
            if (m->shmId >= 0) {
                void* addr = shmat(m->shmId, nullptr, 0);
                if (addr != reinterpret_cast<void*>(-1)) {
                    m->shmAddr = static_cast<std::uint8_t*>(addr);
                    m->shmSize = size;
                    m->seg = xcb_generate_id(m->c);
                    Reply<xcb_generic_error_t> error(xcb_request_check(
                        m->c, xcb_shm_attach_checked(m->c, m->seg, m->shmId, 0)));
                    if (error) {
                        shmdt(m->shmAddr);
                        m->shmAddr = nullptr;
                        m->shmSize = 0;
                    }
                }
                shmctl(m->shmId, IPC_RMID, nullptr); // freed once both sides detach
            }
            if (!m->shmAddr) m_shmOk = false; // e.g. a remote server: plain requests from now on
        }
        if (m->shmAddr) {
            Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
                m->c,
                xcb_shm_get_image(m->c, drawable, std::int16_t(rect.x), std::int16_t(rect.y),
                                  std::uint16_t(rect.width), std::uint16_t(rect.height), ~0u,
                                  XCB_IMAGE_FORMAT_Z_PIXMAP, m->seg, 0),
                nullptr));
            if (!reply) return false;
            CopyRows(m->shmAddr, rect.width, rect.height, rows, stride, opaque);
            return true;
        }
    }
    // Plain requests, in bands so that no request exceeds the server's maximum length.
    const std::size_t maxBytes = std::size_t(xcb_get_maximum_request_length(m->c)) * 4;
    const int band = std::max(1, int(std::min<std::size_t>(rect.height, maxBytes / (std::size_t(rect.width) * 4 + 1))));
    for (int y = 0; y < rect.height; y += band) {
        const int n = std::min(band, rect.height - y);
        Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
            m->c,
            xcb_get_image(m->c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, std::int16_t(rect.x),
                          std::int16_t(rect.y + y), std::uint16_t(rect.width), std::uint16_t(n), ~0u),
            nullptr));
        if (!reply) return false;
        if (std::size_t(xcb_get_image_data_length(reply.get())) < std::size_t(rect.width) * n * 4) return false;
        CopyRows(xcb_get_image_data(reply.get()), rect.width, n, rows + stride * std::size_t(y), stride, opaque);
    }
    return true;
}

bool X11Connection::GrabRootInto(Rect rect, std::uint8_t* rows, std::size_t stride) {
    const Rect s = Screen();
    if (rect.Empty() || rect.x < 0 || rect.y < 0 || rect.x + rect.width > s.width || rect.y + rect.height > s.height)
        return false;
    return GrabDrawableInto(m->screen->root, rect, m->screen->root_depth, rows, stride, true);
}

std::optional<Pixels> X11Connection::GrabRoot(Rect rect) {
    const Rect s = Screen();
    const int x0 = std::max(rect.x, 0), y0 = std::max(rect.y, 0);
    const int x1 = std::min(rect.x + rect.width, s.width), y1 = std::min(rect.y + rect.height, s.height);
    if (x1 <= x0 || y1 <= y0) return std::nullopt;
    return GrabDrawable(m->screen->root, {x0, y0, x1 - x0, y1 - y0}, m->screen->root_depth);
}

std::uint32_t X11Connection::Atom(const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m->c, xcb_intern_atom(m->c, 1, std::uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : 0;
}

std::uint32_t X11Connection::WindowProperty(std::uint32_t window, std::uint32_t atom,
                                            std::uint32_t type) {
    if (!atom) return 0;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m->c, xcb_get_property(m->c, 0, window, atom, type, 0, 1), nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return 0;
    return *static_cast<std::uint32_t*>(xcb_get_property_value(reply.get()));
}

std::uint32_t X11Connection::ActiveWindow() {
    return WindowProperty(m->screen->root, Atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
}

std::uint32_t X11Connection::TopLevelOf(std::uint32_t window) {
    for (int guard = 0; window && guard < 64; ++guard) {
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m->c, xcb_query_tree(m->c, window), nullptr));
        if (!tree) return 0;
        if (tree->parent == tree->root || tree->parent == 0) return window;
        window = tree->parent;
    }
    return 0;
}

std::uint32_t X11Connection::ClientOf(std::uint32_t window) {
    const std::uint32_t wmState = Atom("WM_STATE");
    // Breadth first: the client is normally a direct child of the frame.
    std::vector<std::uint32_t> queue{window};
    for (std::size_t i = 0; i < queue.size() && i < 4096; ++i) {
        Reply<xcb_get_property_reply_t> state(xcb_get_property_reply(
            m->c, xcb_get_property(m->c, 0, queue[i], wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0), nullptr));
        if (state && state->type != XCB_NONE) return queue[i];
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m->c, xcb_query_tree(m->c, queue[i]), nullptr));
        if (!tree) continue;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        queue.insert(queue.end(), children, children + xcb_query_tree_children_length(tree.get()));
    }
    return window;
}

std::optional<Rect> X11Connection::RootRectOf(std::uint32_t window) {
    if (!window) return std::nullopt;
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(m->c, xcb_get_geometry(m->c, window), nullptr));
    if (!geometry) return std::nullopt;
    Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        m->c, xcb_translate_coordinates(m->c, window, m->screen->root, 0, 0), nullptr));
    if (!origin) return std::nullopt;
    return Rect{origin->dst_x, origin->dst_y, geometry->width, geometry->height};
}

bool X11Connection::Pointer(int& x, int& y, std::uint32_t& topLevel) {
    Reply<xcb_query_pointer_reply_t> p(
        xcb_query_pointer_reply(m->c, xcb_query_pointer(m->c, m->screen->root), nullptr));
    if (!p) return false;
    x = p->root_x;
    y = p->root_y;
    topLevel = p->child;
    return true;
}

std::uint32_t X11Connection::PopupAt(int x, int y) {
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m->c, xcb_query_tree(m->c, m->screen->root), nullptr));
    if (!tree) return 0;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = xcb_query_tree_children_length(tree.get()) - 1; i >= 0; --i) {
        Reply<xcb_get_window_attributes_reply_t> a(xcb_get_window_attributes_reply(
            m->c, xcb_get_window_attributes(m->c, children[i]), nullptr));
        if (!a || !a->override_redirect || a->map_state != XCB_MAP_STATE_VIEWABLE) continue;
        const std::optional<Rect> r = RootRectOf(children[i]);
        if (r && r->Contains(x, y)) return children[i];
    }
    return 0;
}

void X11Connection::TreeBelow(std::uint32_t window, int originX, int originY, int depth,
                              std::vector<TreeWindow>& out) {
    if (depth > 32 || out.size() > 20000) return;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(m->c, xcb_query_tree(m->c, window), nullptr));
    if (!tree) return;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int n = xcb_query_tree_children_length(tree.get());
    for (int i = 0; i < n; ++i) {
        Reply<xcb_get_window_attributes_reply_t> a(xcb_get_window_attributes_reply(
            m->c, xcb_get_window_attributes(m->c, children[i]), nullptr));
        if (!a || a->map_state != XCB_MAP_STATE_VIEWABLE || a->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
            continue;
        Reply<xcb_get_geometry_reply_t> g(
            xcb_get_geometry_reply(m->c, xcb_get_geometry(m->c, children[i]), nullptr));
        if (!g) continue;
        const Rect r{originX + g->x + g->border_width, originY + g->y + g->border_width, g->width, g->height};
        out.push_back({children[i], r, depth});
        TreeBelow(children[i], r.x, r.y, depth + 1, out);
    }
}

std::vector<TreeWindow> X11Connection::Tree() {
    std::vector<TreeWindow> out;
    TreeBelow(m->screen->root, 0, 0, 1, out);
    return out;
}

std::optional<CursorImage> X11Connection::Cursor() {
    Reply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
        m->c, xcb_xfixes_query_version(m->c, 4, 0), nullptr));
    if (!version) return std::nullopt;
    Reply<xcb_xfixes_get_cursor_image_reply_t> reply(xcb_xfixes_get_cursor_image_reply(
        m->c, xcb_xfixes_get_cursor_image(m->c), nullptr));
    if (!reply || reply->width == 0 || reply->height == 0) return std::nullopt;
    CursorImage out;
    out.pixels.width = reply->width;
    out.pixels.height = reply->height;
    const std::size_t count = std::size_t(reply->width) * reply->height;
    if (std::size_t(xcb_xfixes_get_cursor_image_cursor_image_length(reply.get())) < count) return std::nullopt;
    const std::uint32_t* argb = xcb_xfixes_get_cursor_image_cursor_image(reply.get());
    out.pixels.bytes.resize(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        out.pixels.bytes[i * 4 + 0] = std::uint8_t(argb[i]);
        out.pixels.bytes[i * 4 + 1] = std::uint8_t(argb[i] >> 8);
        out.pixels.bytes[i * 4 + 2] = std::uint8_t(argb[i] >> 16);
        out.pixels.bytes[i * 4 + 3] = std::uint8_t(argb[i] >> 24);
    }
    out.hotX = reply->xhot;
    out.hotY = reply->yhot;
    out.x = reply->x;
    out.y = reply->y;
    return out;
}

std::optional<Pixels> X11Connection::Wallpaper() {
    std::uint32_t pixmap = 0;
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        pixmap = WindowProperty(m->screen->root, Atom(name), XCB_ATOM_PIXMAP);
        if (pixmap) break;
    }
    if (!pixmap) return std::nullopt;
    Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(m->c, xcb_get_geometry(m->c, pixmap), nullptr));
    if (!g || g->depth != m->screen->root_depth) return std::nullopt;
    return GrabDrawable(pixmap, {0, 0, g->width, g->height}, g->depth);
}

bool X11Connection::GrabKey(std::uint32_t keysym, std::uint16_t modifiers, std::string& error) {
    UngrabKey();
    const xcb_setup_t* setup = xcb_get_setup(m->c);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    Reply<xcb_get_keyboard_mapping_reply_t> map(xcb_get_keyboard_mapping_reply(
        m->c, xcb_get_keyboard_mapping(m->c, xcb_keycode_t(first), std::uint8_t(count)), nullptr));
    if (!map) {
        error = "the keyboard mapping cannot be read";
        return false;
    }
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int per = map->keysyms_per_keycode;
    std::vector<xcb_keycode_t> codes;
    for (int k = 0; k < count; ++k)
        for (int j = 0; j < per; ++j)
            if (syms[k * per + j] == keysym) {
                codes.push_back(xcb_keycode_t(first + k));
                break;
            }
    if (codes.empty()) {
        error = "no key of the keyboard produces it";
        return false;
    }
    std::vector<xcb_void_cookie_t> cookies;
    for (xcb_keycode_t code : codes)
        for (std::uint16_t locks : {std::uint16_t(0), kNumLock, kCapsLock, std::uint16_t(kNumLock | kCapsLock)})
            cookies.push_back(xcb_grab_key_checked(m->c, 1, m->screen->root, modifiers | locks, code,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool ok = true;
    for (xcb_void_cookie_t cookie : cookies) {
        Reply<xcb_generic_error_t> e(xcb_request_check(m->c, cookie));
        if (e) ok = false;
    }
    m->keycodes = codes;
    m->modifiers = modifiers;
    m->keyGrabbed = true;
    if (!ok) {
        UngrabKey();
        error = "another program holds it";
        return false;
    }
    return true;
}

void X11Connection::UngrabKey() {
    if (!m->keyGrabbed) return;
    for (xcb_keycode_t code : m->keycodes)
        for (std::uint16_t locks : {std::uint16_t(0), kNumLock, kCapsLock, std::uint16_t(kNumLock | kCapsLock)})
            xcb_ungrab_key(m->c, code, m->screen->root, m->modifiers | locks);
    // A round trip: once this returns the key is free for other programs.
    std::free(xcb_get_input_focus_reply(m->c, xcb_get_input_focus(m->c), nullptr));
    m->keyGrabbed = false;
    m->keycodes.clear();
}

bool X11Connection::TakeKeyPress() {
    bool pressed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m->c)) {
        if ((event->response_type & 0x7f) == XCB_KEY_PRESS && m->keyGrabbed) {
            const auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
            const std::uint16_t mods = key->state & ~(kNumLock | kCapsLock) & 0xff;
            if (mods == m->modifiers &&
                std::find(m->keycodes.begin(), m->keycodes.end(), key->detail) != m->keycodes.end())
                pressed = true;
        }
        std::free(event);
    }
    return pressed;
}

} // namespace tsl::x11
