#include "platform/process_setup.h"
#include "player/player.h"

int main(int, char**) {
    set_up_process();
    return run_player();
}
