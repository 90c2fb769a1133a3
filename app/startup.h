#pragma once
// The process start-up, in the device's order. A library so tests can start the panel.
int yuq_main(int argc, char* argv[]);
