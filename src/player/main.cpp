#include "player/player.h"

int main(int, char**) { return run_player(); }
