#pragma once
#include <string>

namespace display {

// The system directory: the folder that holds the project's shared libraries, where the player
// writes the decoder library at start-up and where the display control loads it from. It is
// the folder this registry library was loaded from, so the player and the control agree on it
// wherever the libraries were installed (lib/ in the build tree, lib/<multiarch>/kelvora-player/
// once installed); empty when the platform cannot tell.
std::string SystemDirectory();

} // namespace display
