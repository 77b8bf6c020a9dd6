#include "Session.h"

int main(int argc, char** argv) { return cli::runMain(argc, argv); }
