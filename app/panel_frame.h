#pragma once
// The panel's composed picture for the host's displays (the VNC viewers, the X window): the
// GUI thread grabs it as the screenshot does once the panel has painted, and only while
// some reader takes it; each reader's thread copies the latest one when woken.
#include <QRect>
#include <atomic>
#include <cstdint>
#include <vector>

namespace host {

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr int kFramePixels = kFrameWidth * kFrameHeight;

// What a reader's thread and the GUI thread share: the GUI thread may still hold it (a
// posted input event) when the reader has gone.
struct Wakeup
{
    int fd;                           // an eventfd: a new picture, input taken, the end
    std::atomic<int> in_flight{0};    // input events posted, not yet started
    Wakeup();
    ~Wakeup();
    void wake() const;
};

// GUI thread: a reader whose eventfd is written at each new picture. The first one gets a
// fresh picture once the events of the moment have run.
void frame_reader_add(int wake_fd);
// Any thread: the reader takes no further picture (its fd is not written after this returns).
void frame_reader_remove(int wake_fd);

// A reader's thread: the latest picture into `shown` (32-bit, B G R X bytes, rows of
// kFrameWidth), `serial` the one it had. False when it had that one already; else
// `changed` is the part that differs (empty when nothing does).
bool frame_take(std::vector<uint32_t>& shown, quint64& serial, QRect* changed);

} // namespace host
