#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

// A connection of our own to the X server, for watching and asking it without touching Qt's
// connection (whose event mask and queue are Qt's business).
namespace X11 {

// xcb allocates its replies with malloc.
struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

struct Display {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    int screen = 0;
};

// Connects to the server named by DISPLAY; no connection when there is none to reach. The
// caller disconnects.
Display open();

xcb_atom_t intern(xcb_connection_t* connection, const char* name);

} // namespace X11
