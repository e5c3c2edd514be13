#pragma once

#include <QString>

namespace kalvuno {

// The folder that holds the user's settings and lists: $KALVUNO_HOME when set,
// else $XDG_CONFIG_HOME/kalvuno/ (~/.config/kalvuno/). Always ends with "/".
QString profileFolder();

// Creates the folder (and its parents) when missing; false when it cannot.
bool ensureFolder(const QString &folder);

// The folder of read-only resources (help pages, icons): "data/" beside the
// executable in a build tree, else the install's share/kalvuno/.
QString dataFolder();

} // namespace kalvuno
