#pragma once
// The virtual panel over VNC (host build): LibVNCServer serves the panel's picture, the
// one the screenshot takes, to every viewer, and hands what viewers type and click to the
// GUI thread.

namespace host {

// Serves viewers from the listening socket `fd` on: from the first pass of the event loop
// (so a viewer that came during the start gets its first frame when the panel shows).
// Each viewer has a thread and a frame of its own, so one that stops reading holds up no
// other, nor the GUI thread.
void vnc_serve(int fd);

} // namespace host
