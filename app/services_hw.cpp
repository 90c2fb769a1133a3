#include "services.h"

void install_simulated_device() {}
void create_hardware_services() {}
void start_hardware_threads() {}
