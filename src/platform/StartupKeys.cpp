#include "platform/StartupKeys.h"

#include <QtGlobal>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(KT7310_HAVE_XCB)
#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#endif

#if defined(Q_OS_WIN)

TStartupKeys ReadStartupKeys()
{
    // Non-zero: held now, or pressed since the previous query.
    TStartupKeys keys;
    keys.SpaceHeld = GetAsyncKeyState(VK_SPACE) != 0;
    keys.LeftShiftHeld = GetAsyncKeyState(VK_LSHIFT) != 0;
    return keys;
}

#elif defined(KT7310_HAVE_XCB)

namespace {
constexpr xcb_keysym_t KeysymSpace = 0x0020;  // XK_space
constexpr xcb_keysym_t KeysymShiftL = 0xffe1; // XK_Shift_L

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

bool keycodeDown(const xcb_query_keymap_reply_t &keymap, unsigned keycode)
{
    return keycode < 256 && (keymap.keys[keycode / 8] >> (keycode % 8)) & 1;
}
} // namespace

TStartupKeys ReadStartupKeys()
{
    TStartupKeys keys;
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return keys;

    // The keyboard map tells which keycodes carry the two keysyms; the keymap query
    // gives one bit per keycode that is down now.
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const xcb_keycode_t first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const xcb_get_keyboard_mapping_cookie_t mappingCookie =
        xcb_get_keyboard_mapping(connection, first, count);
    const xcb_query_keymap_cookie_t keymapCookie = xcb_query_keymap(connection);
    XcbReply<xcb_get_keyboard_mapping_reply_t> mapping(
        xcb_get_keyboard_mapping_reply(connection, mappingCookie, nullptr), &std::free);
    XcbReply<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(connection, keymapCookie, nullptr), &std::free);
    if (!mapping || !keymap)
        return keys;

    const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKeycode = mapping->keysyms_per_keycode;
    for (int i = 0; i < count; ++i) {
        const unsigned keycode = first + i;
        if (!keycodeDown(*keymap, keycode))
            continue;
        for (int j = 0; j < perKeycode; ++j) {
            const xcb_keysym_t keysym = keysyms[i * perKeycode + j];
            keys.SpaceHeld |= keysym == KeysymSpace;
            keys.LeftShiftHeld |= keysym == KeysymShiftL;
        }
    }
    return keys;
}

#else

TStartupKeys ReadStartupKeys()
{
    return {};
}

#endif
