// ziv: the show takes no arguments; everything it asks, it asks in its dialog.
#include "app/run_sequence.h"

int main() { return runShow(nullptr); }
