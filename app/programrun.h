#pragma once

// The program in the application that main made, with the factory registered:
// logs in, shows the main window and handles events until the program ends.
int runProgram();
