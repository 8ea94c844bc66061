#pragma once

#include <QString>

// The zoom kept between runs, in the user's configuration folder
// ($XDG_CONFIG_HOME, or ~/.config): numino/numino.conf, an INI file read and
// written through QSettings. The file is made the first time the user
// zooms; a user who never zooms has none.

// Where the file is, or would be.
QString ZoomMemoryPath();
// The zoom in the file; 0 when there is no file or it cannot be read or
// holds no number. Without a file this only looks for it.
double RecallZoom();
// Writes the zoom. A folder that cannot be written costs only the memory:
// the zoom still works for this run.
void RememberZoom(double zoom);
