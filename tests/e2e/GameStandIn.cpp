// A program that runs until it is ended, copied into a game folder to stand for the game.
#include <windows.h>

int main() { Sleep(INFINITE); }
