// STUB: replaced by the game's start-up and loop.
#include <allegro.h>
int main() { return 0; }
END_OF_MAIN()
