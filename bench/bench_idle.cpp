// Idle cost of the services: the engine, FPGA and input threads and the control FIFO on
// the simulated device, nothing happening. Prints the process CPU share over 10 s and
// the peak resident memory.
#include "services.h"

#include "core/config_engine.h"
#include "core/yuqrampara.h"
#include "platform/devpath.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <thread>

namespace {
double cpu_seconds()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir root;
    platform::set_device_root(root.path());
    platform::ensure_device_tree();
    install_simulated_device();
    ConfigEngine::pInstance();
    YuqRamPara::pInstance();
    QCoreApplication app(argc, argv);
    create_hardware_services();
    start_hardware_threads();
    // Let the FPGAs come up (a few seconds) before measuring.
    std::this_thread::sleep_for(std::chrono::seconds(4));
    const double c0 = cpu_seconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double share = 100.0 * (cpu_seconds() - c0) / wall;
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    std::printf("idle CPU: %.2f %% of one core over %.1f s\n", share, wall);
    std::printf("peak RSS: %ld KiB\n", u.ru_maxrss);
    std::fflush(stdout);
    std::_Exit(share < 2.0 ? 0 : 1); // the service threads are never joined on the device
}
