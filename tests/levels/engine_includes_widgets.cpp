// Must not compile: the engine's include path reaches no widget header.
#include "lxImage.h"

#include <QWidget>
