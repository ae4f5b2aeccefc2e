// The default message seam: Allegro's message box, which blocks until the
// player dismisses it. The text is passed as an argument, never as a format.
#include <allegro.h>

#include "message.h"

static void show_message_box(const char *text)
{
    allegro_message("%s", text);
}

void (*show_message)(const char *text) = show_message_box;
