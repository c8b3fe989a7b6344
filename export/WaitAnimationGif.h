#pragma once
// The progress window's wait animation: a small looping spinner drawn here and written as an
// animated GIF by the program's own GIF writer.

#include <QByteArray>

// A 32 x 32 GIF of `frames` steps of a turning ring of dots, looping endlessly.
QByteArray waitAnimationGif(int frames = 12, int frameDelayMs = 80);
