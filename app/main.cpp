#include "app/startup.h"

int main(int argc, char** argv) { return inkwend::RunInkwend(argc, argv); }
