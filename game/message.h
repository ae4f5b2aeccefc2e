// Messages for the player go through show_message: a message box in the
// game, a recorder in the tests.
#pragma once

extern void (*show_message)(const char *text);
