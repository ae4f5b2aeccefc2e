// Messages to the user. Everything the editor has to tell the user while it
// runs (faults in the level file, a save that failed) goes through
// show_message, one text per message box, so that tests can collect the
// texts in order by pointing it at a function of their own.
#pragma once

// Shows text in a message box and returns when the user has dismissed it.
extern void (*show_message)(const char *text);
