#pragma once

#include <QIcon>

namespace synvora {

/// The program's 64 by 64 icon, drawn at start-up: two database drums, the old one grey and the
/// new one blue, with an arrow from the first to the second. Needs a QGuiApplication.
QIcon DrawApplicationIcon();

}  // namespace synvora
