#pragma once
// The picture case of the benchmark: a large JPEG shown in a picture box of
// the size the main window's panels have.
#include <QSize>
#include <QString>

// Processor time of the calling thread so far, in milliseconds (what a
// loaded machine does not inflate, unlike the time on the clock).
double threadCpuMs();

// Writes a photo-like JPEG of `pixels` size into `path` (progressive when
// asked); false when it cannot be written.
bool writeBenchPhoto(const QString& path, QSize pixels, bool progressive);

// Milliseconds to show the file in a picture box of `box` size, painted once
// (decoding for the box and drawing it); negative when it cannot be shown.
// *cpuMs: the processor time it took (what a loaded machine does not inflate).
double showInPictureBox(const QString& path, QSize box, double* cpuMs = nullptr);
