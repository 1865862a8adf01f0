#pragma once

// The whole program: Qt application, platform services, application object, event loop.
int RunProgram(int argc, char** argv);
