// chaxun: the lookup window.
#include "app/app_main.h"

int main(int argc, char** argv) { chaxun::run_app(argc, argv); }
