#include "windowsystem_x11.h"

#include <QGuiApplication>
#include <QStringList>

#include <cstdlib>
#include <initializer_list>
#include <utility>

// Xlib last: its macros (None, Bool, Status...) clash with Qt's names.
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

namespace zentari {

// Xlib is here only for its text conversions (COMPOUND_TEXT has no xcb
// counterpart); every request goes through xcb on the same connection, with
// errors taken from replies, so no Xlib error handler is ever involved.
struct X11WindowSystem::Connection
{
    Display* display = nullptr;
    xcb_connection_t* xcb = nullptr;
    xcb_ewmh_connection_t ewmh{};
    int screen = 0;

    bool ewmhReady = false;

    ~Connection()
    {
        if (ewmhReady)
            xcb_ewmh_connection_wipe(&ewmh);
        XCloseDisplay(display);
    }

    // Nothing is selected on any window, so the queue only ever holds errors.
    void dropEvents()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(xcb))
            std::free(event);
    }

    xcb_window_t root() const { return ewmh.screens[screen]->root; }

    void changeStates(xcb_window_t window, bool add, std::initializer_list<xcb_atom_t> states);
};

namespace {

// Owns one reply that xcb allocated with malloc. Move-only: a copy would free
// the same reply twice.
template <typename T> struct Freed
{
    T* p = nullptr;

    explicit Freed(T* reply) : p(reply) {}
    Freed(const Freed&) = delete;
    Freed& operator=(const Freed&) = delete;
    Freed(Freed&& other) noexcept : p(std::exchange(other.p, nullptr)) {}
    Freed& operator=(Freed&& other) noexcept
    {
        if (this != &other)
            std::free(std::exchange(p, std::exchange(other.p, nullptr)));
        return *this;
    }
    ~Freed() { std::free(p); }

    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};
template <typename T> Freed(T*) -> Freed<T>;

QString fromTextProperty(Display* display, xcb_get_property_reply_t* reply)
{
    XTextProperty property;
    property.value = static_cast<unsigned char*>(xcb_get_property_value(reply));
    property.encoding = reply->type;
    property.format = reply->format;
    property.nitems = static_cast<unsigned long>(xcb_get_property_value_length(reply));
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(display, &property, &list, &count) < 0 || !list) {
        // An encoding Xlib does not know: take it as the ICCCM default, Latin-1.
        return QString::fromLatin1(reinterpret_cast<const char*>(property.value),
                                   qsizetype(property.nitems));
    }
    QStringList parts;
    for (int i = 0; i < count; ++i)
        parts.append(QString::fromUtf8(list[i]));
    XFreeStringList(list);
    return parts.join(QString());
}

} // namespace

// The window-manager states to add or remove, when they are not already so.
void X11WindowSystem::Connection::changeStates(xcb_window_t window, bool add,
                                               std::initializer_list<xcb_atom_t> states)
{
    xcb_ewmh_get_atoms_reply_t current;
    xcb_generic_error_t* error = nullptr;
    const bool known =
        xcb_ewmh_get_wm_state_reply(&ewmh, xcb_ewmh_get_wm_state(&ewmh, window), &current, &error);
    if (error) {
        std::free(error); // the window is gone
        return;
    }
    bool done = true;
    for (xcb_atom_t state : states) {
        bool present = false;
        for (uint32_t i = 0; known && i < current.atoms_len; ++i)
            present = present || current.atoms[i] == state;
        done = done && present == add;
    }
    if (known)
        xcb_ewmh_get_atoms_reply_wipe(&current);
    if (done)
        return;
    const auto it = states.begin();
    xcb_ewmh_request_change_wm_state(
        &ewmh, screen, window, add ? XCB_EWMH_WM_STATE_ADD : XCB_EWMH_WM_STATE_REMOVE, it[0],
        states.size() > 1 ? it[1] : xcb_atom_t(XCB_ATOM_NONE), XCB_EWMH_CLIENT_SOURCE_TYPE_NORMAL);
    xcb_flush(xcb);
}

X11WindowSystem::X11WindowSystem() = default;
X11WindowSystem::~X11WindowSystem() = default;

X11WindowSystem::Connection* X11WindowSystem::connection()
{
    if (m_tried)
        return m_x.get();
    m_tried = true; // a display that is not there will not come
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    auto x = std::make_unique<Connection>();
    x->display = display;
    x->xcb = XGetXCBConnection(display);
    x->screen = DefaultScreen(display);
    XSetEventQueueOwner(display, XCBOwnsEventQueue);
    x->ewmhReady =
        xcb_ewmh_init_atoms_replies(&x->ewmh, xcb_ewmh_init_atoms(x->xcb, &x->ewmh), nullptr);
    if (!x->ewmhReady)
        return nullptr;
    m_x = std::move(x);
    return m_x.get();
}

quint64 X11WindowSystem::foregroundWindow()
{
    Connection* x = connection();
    if (!x)
        return 0;
    xcb_window_t active = XCB_WINDOW_NONE;
    if (xcb_ewmh_get_active_window_reply(&x->ewmh, xcb_ewmh_get_active_window(&x->ewmh, x->screen),
                                         &active, nullptr))
        return active;

    // No window manager says which window is active: the focus, climbed up to
    // its top-level window.
    Freed focus{xcb_get_input_focus_reply(x->xcb, xcb_get_input_focus(x->xcb), nullptr)};
    if (!focus)
        return 0;
    xcb_window_t window = focus->focus;
    while (window != XCB_WINDOW_NONE && window != XCB_INPUT_FOCUS_POINTER_ROOT &&
           window != x->root()) {
        Freed tree{xcb_query_tree_reply(x->xcb, xcb_query_tree(x->xcb, window), nullptr)};
        if (!tree)
            return 0;
        if (tree->parent == x->root())
            return window;
        window = tree->parent;
    }
    return 0;
}

QString X11WindowSystem::windowTitle(quint64 window)
{
    Connection* x = connection();
    if (!x || window == 0)
        return {};
    const auto id = static_cast<xcb_window_t>(window);
    xcb_ewmh_get_utf8_strings_reply_t name;
    if (xcb_ewmh_get_wm_name_reply(&x->ewmh, xcb_ewmh_get_wm_name(&x->ewmh, id), &name, nullptr)) {
        const QString title = QString::fromUtf8(name.strings, qsizetype(name.strings_len));
        xcb_ewmh_get_utf8_strings_reply_wipe(&name);
        if (!title.isEmpty())
            return title;
    }
    Freed reply{xcb_get_property_reply(
        x->xcb,
        xcb_get_property(x->xcb, 0, id, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
        nullptr)};
    if (!reply || reply->format != 8)
        return {};
    return fromTextProperty(x->display, reply.p);
}

void X11WindowSystem::setWindowTitle(quint64 window, const QString& title)
{
    Connection* x = connection();
    if (!x || window == 0)
        return;
    const auto id = static_cast<xcb_window_t>(window);
    const QByteArray utf8 = title.toUtf8();
    xcb_void_cookie_t named =
        xcb_ewmh_set_wm_name_checked(&x->ewmh, id, uint32_t(utf8.size()), utf8.constData());

    // WM_NAME may not hold raw UTF-8: Xlib picks STRING (Latin-1) when the text
    // fits, COMPOUND_TEXT otherwise.
    char* list[] = {const_cast<char*>(utf8.constData())};
    XTextProperty property{};
    if (Xutf8TextListToTextProperty(x->display, list, 1, XStdICCTextStyle, &property) >= 0) {
        xcb_void_cookie_t legacy = xcb_change_property_checked(
            x->xcb, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, xcb_atom_t(property.encoding),
            uint8_t(property.format), uint32_t(property.nitems), property.value);
        std::free(xcb_request_check(x->xcb, legacy));
        XFree(property.value);
    }
    std::free(xcb_request_check(x->xcb, named)); // a vanished window is no fault
}

void X11WindowSystem::keepAbove(quint64 window)
{
    Connection* x = connection();
    if (!x || window == 0)
        return;
    x->changeStates(xcb_window_t(window), true, {x->ewmh._NET_WM_STATE_ABOVE});
    x->dropEvents();
}

void X11WindowSystem::setSkipTaskbar(quint64 window, bool skip)
{
    Connection* x = connection();
    if (!x || window == 0)
        return;
    x->changeStates(xcb_window_t(window), skip,
                    {x->ewmh._NET_WM_STATE_SKIP_TASKBAR, x->ewmh._NET_WM_STATE_SKIP_PAGER});
    x->dropEvents();
}

std::unique_ptr<WindowSystem> createWindowSystem()
{
    if (QGuiApplication::platformName() == u"xcb")
        return std::make_unique<X11WindowSystem>();
    return std::make_unique<NullWindowSystem>();
}

} // namespace zentari
