// Numbers of the windows' layout. No Windows header: tests run it natively.
#pragma once

int StatusPartEdge(int statusWidth);
