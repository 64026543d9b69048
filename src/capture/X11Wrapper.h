#pragma once
// X11Connection: the only place that speaks XCB. It owns its own connection to the X server
// (separate from the toolkit's), reads pixels of the root window, windows and pixmaps (through
// shared memory when the server offers it), answers questions about the window tree, reads the
// cursor image through XFixes and grabs a global hot key on the root window. No toolkit types
// appear here; pixels are top-down rows of 32-bit B, G, R, X (or premultiplied B, G, R, A for
// the cursor), four bytes a pixel without padding.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tsl::x11 {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool Contains(int px, int py) const {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
    bool Empty() const { return width <= 0 || height <= 0; }
};

struct Pixels {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bytes; // width * height * 4
};

struct CursorImage {
    Pixels pixels; // premultiplied B, G, R, A
    int hotX = 0, hotY = 0;
    int x = 0, y = 0; // pointer position on the screen
};

// A window of the tree, in root coordinates, with its depth below the root (1 = top level).
struct TreeWindow {
    std::uint32_t id = 0;
    Rect rect;
    int depth = 0;
};

class X11Connection {
public:
    // Connects to displayName (empty: $DISPLAY); nothing when no server answers.
    static std::unique_ptr<X11Connection> Open(const std::string& displayName = {});
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    int FileDescriptor() const;
    Rect Screen() const;
    bool HasSharedMemory() const { return m_shmOk; }

    // The pixels of rect of the root window (clipped to the screen); nothing when the server
    // refuses.
    std::optional<Pixels> GrabRoot(Rect rect);
    std::optional<Pixels> GrabRoot() { return GrabRoot(Screen()); }
    // The same into caller's rows (stride bytes apart) of rect's size, with the fourth byte of
    // every pixel set to 0xFF; rect must lie on the screen. Saves a copy of large grabs.
    bool GrabRootInto(Rect rect, std::uint8_t* rows, std::size_t stride);

    // The window the window manager names active (_NET_ACTIVE_WINDOW); 0 when none.
    std::uint32_t ActiveWindow();
    // The top-level frame holding window (its ancestor that is a child of the root).
    std::uint32_t TopLevelOf(std::uint32_t window);
    // The client window (the one with WM_STATE) at or below a frame; the window itself if none.
    std::uint32_t ClientOf(std::uint32_t window);
    // The window's rectangle in root coordinates; nothing when it is gone.
    std::optional<Rect> RootRectOf(std::uint32_t window);
    // Pointer position and the top-level window under it (0 when over the root).
    bool Pointer(int& x, int& y, std::uint32_t& topLevel);
    // The topmost viewable override-redirect window containing the point (popup menus).
    std::uint32_t PopupAt(int x, int y);
    // Every viewable window, top levels first, from the bottom of the stack to the top and
    // each followed by its descendants.
    std::vector<TreeWindow> Tree();

    std::optional<CursorImage> Cursor();
    // The root window's background as desktops publish it (_XROOTPMAP_ID or
    // ESETROOT_PMAP_ID); nothing when none is published or the pixmap is gone.
    std::optional<Pixels> Wallpaper();

    // Grabs keysym with modifiers (X modifier bits) on the root for every combination of
    // NumLock and CapsLock. False, with nothing grabbed, when another client holds it.
    bool GrabKey(std::uint32_t keysym, std::uint16_t modifiers, std::string& error);
    void UngrabKey();
    // Reads the queued events; true when a press of the grabbed key was among them.
    bool TakeKeyPress();

private:
    X11Connection() = default;
    std::optional<Pixels> GrabDrawable(std::uint32_t drawable, Rect rect, int depth);
    bool GrabDrawableInto(std::uint32_t drawable, Rect rect, int depth, std::uint8_t* rows,
                          std::size_t stride, bool opaque);
    std::uint32_t Atom(const char* name);
    std::uint32_t WindowProperty(std::uint32_t window, std::uint32_t atom, std::uint32_t type);
    void TreeBelow(std::uint32_t window, int originX, int originY, int depth,
                   std::vector<TreeWindow>& out);
    void ReleaseShm();

    struct State;
    std::unique_ptr<State> m;
    bool m_shmOk = false;
};

} // namespace tsl::x11
