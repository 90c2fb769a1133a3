#pragma once
// Every fuzz target works in a device root of its own and checks afterwards that
// nothing was written outside it.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace fuzzsupport {
// Points the device root at a fresh temporary folder (once per process) and quiets traces.
void init();
// Writes data to a device path under the root.
void put(const QString& devicePath, const uint8_t* data, size_t size);
} // namespace fuzzsupport
