#include "platform/windowsystem_x11.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

using namespace zentari;

// Runs under run-with-x11.sh: a private Xvfb, with openbox for all but the
// *NoWindowManager* tests. The windows are plain xcb windows on the test's own
// connection, as another program's would be.
namespace {

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

class X11Client
{
public:
    X11Client()
    {
        m_c = xcb_connect(nullptr, &m_screen);
        if (xcb_connection_has_error(m_c))
            return;
        m_ready = xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(m_c, &ewmh), nullptr);
    }
    ~X11Client()
    {
        if (m_ready)
            xcb_ewmh_connection_wipe(&ewmh);
        xcb_disconnect(m_c);
    }
    bool ready() const { return m_ready; }
    xcb_connection_t* c() const { return m_c; }
    xcb_window_t root() const { return ewmh.screens[m_screen]->root; }

    xcb_atom_t atom(const char* name) const
    {
        auto* reply = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return result;
    }

    xcb_window_t makeWindow(xcb_window_t parent = 0)
    {
        const xcb_window_t w = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, parent ? parent : root(), 10, 10, 200, 100,
                          0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_flush(m_c);
        return w;
    }

    void setProperty(xcb_window_t w, xcb_atom_t property, xcb_atom_t type, const QByteArray& bytes)
    {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, property, type, 8,
                            uint32_t(bytes.size()), bytes.constData());
        xcb_flush(m_c);
    }

    // Maps a top-level window and waits until the window manager has taken it.
    bool mapManaged(xcb_window_t w)
    {
        xcb_map_window(m_c, w);
        xcb_flush(m_c);
        const xcb_atom_t wmState = atom("WM_STATE");
        return waitUntil([&] { return !property(w, wmState).isNull(); });
    }

    // The property's bytes (null when it is missing) and its type.
    QByteArray property(xcb_window_t w, xcb_atom_t property, xcb_atom_t* type = nullptr) const
    {
        auto* reply = xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
            nullptr);
        QByteArray bytes;
        if (reply && reply->type != XCB_ATOM_NONE) {
            const int length = xcb_get_property_value_length(reply);
            bytes = length > 0 ? QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                                            length)
                               : QByteArray("");
            if (type)
                *type = reply->type;
        }
        std::free(reply);
        return bytes;
    }

    bool hasState(xcb_window_t w, xcb_atom_t state)
    {
        xcb_ewmh_get_atoms_reply_t states;
        if (!xcb_ewmh_get_wm_state_reply(&ewmh, xcb_ewmh_get_wm_state(&ewmh, w), &states, nullptr))
            return false;
        bool found = false;
        for (uint32_t i = 0; i < states.atoms_len; ++i)
            found = found || states.atoms[i] == state;
        xcb_ewmh_get_atoms_reply_wipe(&states);
        return found;
    }

    xcb_ewmh_connection_t ewmh{};

private:
    xcb_connection_t* m_c = nullptr;
    int m_screen = 0;
    bool m_ready = false;
};

class X11WindowSystemTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_x.ready()) << "no X display"; }

    xcb_window_t managedWindow()
    {
        const xcb_window_t w = m_x.makeWindow();
        EXPECT_TRUE(m_x.mapManaged(w));
        return w;
    }
    void activate(xcb_window_t w)
    {
        // As a pager asks: window managers do not refuse those for focus stealing.
        xcb_ewmh_request_change_active_window(&m_x.ewmh, 0, w, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
                                              XCB_CURRENT_TIME, XCB_WINDOW_NONE);
        xcb_flush(m_x.c());
    }

    X11Client m_x;
    X11WindowSystem m_windows;
};

} // namespace

TEST_F(X11WindowSystemTest, ChosenOnTheXcbPlatform)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    EXPECT_NE(dynamic_cast<X11WindowSystem*>(createWindowSystem().get()), nullptr);
}

TEST_F(X11WindowSystemTest, ForegroundIsTheWindowManagersActiveWindow)
{
    const xcb_window_t first = managedWindow();
    const xcb_window_t second = managedWindow();
    activate(first);
    EXPECT_TRUE(waitUntil([&] { return m_windows.foregroundWindow() == first; }));
    activate(second);
    EXPECT_TRUE(waitUntil([&] { return m_windows.foregroundWindow() == second; }));
}

TEST_F(X11WindowSystemTest, TitleComesFromNetWmNameElseWmName)
{
    const xcb_window_t both = m_x.makeWindow();
    m_x.setProperty(both, m_x.ewmh._NET_WM_NAME, m_x.ewmh.UTF8_STRING,
                    QStringLiteral("Часы").toUtf8());
    m_x.setProperty(both, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "Clock");
    const xcb_window_t legacy = m_x.makeWindow();
    m_x.setProperty(legacy, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "Caf\xe9");
    const xcb_window_t untitled = m_x.makeWindow();

    EXPECT_EQ(m_windows.windowTitle(both), QStringLiteral("Часы"));
    EXPECT_EQ(m_windows.windowTitle(legacy), QStringLiteral("Café"));
    EXPECT_EQ(m_windows.windowTitle(untitled), QString());
}

TEST_F(X11WindowSystemTest, CyrillicTitleRoundTripsAndWmNameIsNotRawUtf8)
{
    const xcb_window_t w = managedWindow();
    const QString title = QStringLiteral("Неактивное окно Время : 12:00:00 Дата : 08.12.2026");
    m_windows.setWindowTitle(w, title);
    EXPECT_EQ(m_windows.windowTitle(w), title);

    xcb_atom_t type = XCB_ATOM_NONE;
    EXPECT_EQ(m_x.property(w, m_x.ewmh._NET_WM_NAME, &type), title.toUtf8());
    EXPECT_EQ(type, m_x.ewmh.UTF8_STRING);
    const QByteArray legacy = m_x.property(w, XCB_ATOM_WM_NAME, &type);
    EXPECT_EQ(type, m_x.atom("COMPOUND_TEXT"));
    EXPECT_NE(legacy, title.toUtf8());

    // A reader that knows only WM_NAME gets the same text back.
    xcb_delete_property(m_x.c(), w, m_x.ewmh._NET_WM_NAME);
    xcb_flush(m_x.c());
    EXPECT_TRUE(waitUntil([&] { return m_x.property(w, m_x.ewmh._NET_WM_NAME).isNull(); }));
    EXPECT_EQ(m_windows.windowTitle(w), title);
}

TEST_F(X11WindowSystemTest, LatinTitleIsWrittenAsString)
{
    const xcb_window_t w = m_x.makeWindow();
    m_windows.setWindowTitle(w, QStringLiteral("Café 12:00"));
    xcb_atom_t type = XCB_ATOM_NONE;
    EXPECT_EQ(m_x.property(w, XCB_ATOM_WM_NAME, &type), QByteArray("Caf\xe9 12:00"));
    EXPECT_EQ(type, XCB_ATOM_STRING);
}

TEST_F(X11WindowSystemTest, KeepAboveSetsTheStateWithoutUnmapping)
{
    const xcb_window_t w = managedWindow();
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_x.c(), w, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_x.c());

    for (int tick = 0; tick < 5; ++tick)
        m_windows.keepAbove(w);
    EXPECT_TRUE(waitUntil([&] { return m_x.hasState(w, m_x.ewmh._NET_WM_STATE_ABOVE); }));
    m_windows.keepAbove(w);

    std::free(xcb_get_input_focus_reply(m_x.c(), xcb_get_input_focus(m_x.c()), nullptr));
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_x.c())) {
        const uint8_t kind = event->response_type & 0x7f;
        EXPECT_NE(kind, XCB_UNMAP_NOTIFY);
        EXPECT_NE(kind, XCB_DESTROY_NOTIFY);
        EXPECT_NE(kind, XCB_REPARENT_NOTIFY);
        std::free(event);
    }
}

TEST_F(X11WindowSystemTest, SkipTaskbarSetsAndClearsTaskbarAndPager)
{
    const xcb_window_t w = managedWindow();
    m_windows.setSkipTaskbar(w, true);
    EXPECT_TRUE(waitUntil([&] {
        return m_x.hasState(w, m_x.ewmh._NET_WM_STATE_SKIP_TASKBAR) &&
               m_x.hasState(w, m_x.ewmh._NET_WM_STATE_SKIP_PAGER);
    }));
    m_windows.setSkipTaskbar(w, false);
    EXPECT_TRUE(waitUntil([&] {
        return !m_x.hasState(w, m_x.ewmh._NET_WM_STATE_SKIP_TASKBAR) &&
               !m_x.hasState(w, m_x.ewmh._NET_WM_STATE_SKIP_PAGER);
    }));
}

TEST_F(X11WindowSystemTest, VanishedWindowIsHarmless)
{
    const xcb_window_t w = m_x.makeWindow();
    xcb_destroy_window(m_x.c(), w);
    std::free(xcb_get_input_focus_reply(m_x.c(), xcb_get_input_focus(m_x.c()), nullptr));

    EXPECT_EQ(m_windows.windowTitle(w), QString());
    m_windows.setWindowTitle(w, QStringLiteral("Неактивное окно"));
    m_windows.keepAbove(w);
    m_windows.setSkipTaskbar(w, true);
    // Still talking to the server afterwards.
    EXPECT_EQ(m_windows.windowTitle(m_x.root()), QString());
    const xcb_window_t alive = m_x.makeWindow();
    m_windows.setWindowTitle(alive, QStringLiteral("ok"));
    EXPECT_EQ(m_windows.windowTitle(alive), QStringLiteral("ok"));
}

TEST_F(X11WindowSystemTest, NoWindowManagerForegroundIsTheFocusedTopLevel)
{
    // Whatever a window manager left behind must not count.
    xcb_delete_property(m_x.c(), m_x.root(), m_x.ewmh._NET_ACTIVE_WINDOW);
    const xcb_window_t top = m_x.makeWindow();
    const xcb_window_t child = m_x.makeWindow(top);
    xcb_map_window(m_x.c(), child);
    xcb_map_window(m_x.c(), top);
    std::free(xcb_get_input_focus_reply(m_x.c(), xcb_get_input_focus(m_x.c()), nullptr));

    xcb_set_input_focus(m_x.c(), XCB_INPUT_FOCUS_POINTER_ROOT, child, XCB_CURRENT_TIME);
    xcb_flush(m_x.c());
    EXPECT_TRUE(waitUntil([&] { return m_windows.foregroundWindow() == top; }));

    xcb_set_input_focus(m_x.c(), XCB_INPUT_FOCUS_POINTER_ROOT, XCB_INPUT_FOCUS_POINTER_ROOT,
                        XCB_CURRENT_TIME);
    xcb_flush(m_x.c());
    EXPECT_TRUE(waitUntil([&] { return m_windows.foregroundWindow() == 0; }));
}
