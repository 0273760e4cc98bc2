// Korvan: shows and changes the clocks and voltages of Tavo graphics cards.
#include "app/clock_app.h"

ClockApp theApp;

int main(int argc, char** argv) {
    return AfxWinMain(argc, argv);
}
