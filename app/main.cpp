#include "app/PlayerApp.h"

int main(int argc, char** argv) { return app::PlayerApp::Run(argc, argv); }
