#include "tools/capture/commands.hpp"

int main(int argc, char** argv) { return capture::capture_main(argc, argv); }
