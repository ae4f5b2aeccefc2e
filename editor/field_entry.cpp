// STUB: replaced by keyboard field entry.
#include "editor.h"
void enter_field() {}
