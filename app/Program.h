#pragma once

// The whole program: Qt application, platform services, application object, event loop.
int RunProgram(int argc, char** argv);

class QIcon;
// The application's icon at the sizes it ships.
QIcon AppIcon();
