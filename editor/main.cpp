// STUB: replaced by the editor's start-up and loop.
#include <allegro.h>
int main() { return 0; }
END_OF_MAIN()
