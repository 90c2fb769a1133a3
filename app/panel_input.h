#pragma once
// What a user of the host's displays types and clicks (a VNC viewer's, the X window's),
// handed to the GUI thread as the panel's own keys and clicks.
#include "panel_frame.h"

#include <QPoint>
#include <cstdint>
#include <functional>
#include <memory>

namespace host {

// A reader's keys and clicks on their way to the GUI thread: beyond this many its thread
// reads no further input, so a burst waits where it came from, not in the panel.
constexpr int kInputInFlight = 8;

// Any thread: `fn` to the GUI thread, counted in `w` until it starts there (not until it
// ends: a key may open a screen that runs a loop of its own); the reader's thread is woken
// when the count falls below the bound again.
void post_input(const std::shared_ptr<Wakeup>& w, std::function<void()> fn);
// Whether the reader may read input now.
inline bool input_open(const Wakeup& w)
{
    return w.in_flight.load() < kInputInFlight;
}

// GUI thread: an X keysym (what RFB carries too) pressed or released, where the control
// lines' keys go.
void deliver_key(bool down, uint32_t keysym);
// GUI thread: the pointer at `at` on the panel with buttons `mask` down (1 left, 2 middle,
// 4 right), to the window under it.
void deliver_pointer(int mask, const QPoint& at);

} // namespace host
