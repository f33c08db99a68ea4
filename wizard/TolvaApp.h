// The application object: decides between a normal run, the verify run after the restart
// and a refusal, and runs the chosen page.
#pragma once

#include <windows.h>

class CTolvaApp {
public:
    // Runs the whole wizard; returns the main page's result (0 when no page ran).
    int InitInstance();

private:
    int RunVerify();
    int RunNormal();
};
