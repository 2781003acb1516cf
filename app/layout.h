// Numbers of the windows' layout. No Windows header: tests run it natively.
#pragma once

int StatusPartEdge(int statusWidth);
int FittedStatusPartEdge(int statusWidth, int partZeroText, int partOneText);
