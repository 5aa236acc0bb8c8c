#pragma once

#include <QIcon>
#include <QImage>

namespace synvora {

/// The program's icon: two database drums, the old one grey and the new one blue, with an arrow
/// from the first to the second. Drawn on a 64 by 64 grid and scaled to `size` pixels square;
/// needs no application object, so the build renders the installed icon files with it.
QImage DrawApplicationIconImage(int size);

/// The window icon, drawn at start-up. Needs a QGuiApplication.
QIcon DrawApplicationIcon();

}  // namespace synvora
