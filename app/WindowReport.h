#pragma once
#include <string>

namespace ui {
class PlayerDialog;
}

namespace app {

// The window's title and the texts a user reads on it, one "name: text" line each: what
// --quit-after prints, so that a script sees what the player opened.
std::string WindowReport(ui::PlayerDialog& dialog);

} // namespace app
