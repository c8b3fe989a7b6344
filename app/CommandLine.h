#pragma once
// Headless jobs run from "--" options, with no window on screen and no display needed:
// conversion between formats, statistics, help and version.

// Runs the job argv[1] names; returns the process exit code.
int runCommandLine(int argc, char **argv);
