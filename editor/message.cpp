// The message box behind show_message. The text is passed as an argument,
// never as the format, since it quotes bytes from the level file.
#include <allegro.h>

#include "message.h"

static void show_message_box(const char *text)
{
    allegro_message("%s", text);
}

void (*show_message)(const char *text) = show_message_box;
