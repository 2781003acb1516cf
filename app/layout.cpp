#include "app/layout.h"

// Where part 0 of a two-part status bar ends: 90 pixels short of the right
// edge, but never before 400 (so a bar of 490 pixels or less keeps 400).
int StatusPartEdge(int statusWidth) {
    int edge = statusWidth - 90;
    return edge > 400 ? edge : 400;
}

// The same rule with the widths the two parts' longest texts need: part 1
// keeps room for its text (at least the 90 pixels above), part 0 never ends
// before its own text (nor before 400). When the bar is too narrow for
// both, part 0 wins and part 1 is cut.
int FittedStatusPartEdge(int statusWidth, int partZeroText, int partOneText) {
    int partOne = partOneText > 90 ? partOneText : 90;
    int least = partZeroText > 400 ? partZeroText : 400;
    int edge = statusWidth - partOne;
    return edge > least ? edge : least;
}
