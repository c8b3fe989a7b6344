#pragma once
// Start-up of the program: headless jobs for "--" options, else the windows and the message loop.
int scrivelleMain(int argc, char **argv);
