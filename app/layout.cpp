#include "app/layout.h"

// Where part 0 of a two-part status bar ends: 90 pixels short of the right
// edge, but never before 400 (so a bar of 490 pixels or less keeps 400).
int StatusPartEdge(int statusWidth) {
    int edge = statusWidth - 90;
    return edge > 400 ? edge : 400;
}
