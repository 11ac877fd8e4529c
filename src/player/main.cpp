#include "platform/process_setup.h"
#include "player/player.h"

int main(int, char**) {
    quillbarrow::set_up_process();
    return quillbarrow::run_player();
}
