// Start-up of the program: the steps before the main menu appears.
#pragma once
#include <string>

// Runs start-up; returns true when the main menu is on screen. Failures take the fatal path.
bool gStartUp();
// The path of the message database beside the program.
std::string gGetMsgDbPath();
