#include "driver/run.h"

int main(int argc, char** argv) { return tourwright::runTourwright(argc, argv); }
