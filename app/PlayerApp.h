#pragma once

namespace app {

// The application: makes the display control available, puts the decoder library in place,
// runs the player window until it closes, then releases the control library.
class PlayerApp {
public:
    // The program's exit status: 0 after the window closed, 1 when start-up failed (after
    // its message).
    static int Run(int argc, char** argv);
};

} // namespace app
