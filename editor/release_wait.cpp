// The busy waits behind every one-shot action: the frame stops until the key
// or button is let go, so one press acts exactly once however long it is held.
// Nothing is drawn meanwhile and Escape is not looked at. The library fills
// key[] and mouse_b from its own input thread, which is what ends the loop.
#include <allegro.h>

#include "editor.h"

static void do_nothing() {}

void (*release_wait_turn)() = do_nothing;

void wait_key_release(int key_code)
{
    while (key[key_code])
        release_wait_turn();
}

void wait_button_release(int button_bit)
{
    while (mouse_b & button_bit)
        release_wait_turn();
}
