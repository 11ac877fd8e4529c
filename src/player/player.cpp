#include "player/player.h"

int run_player() { return 0; }
