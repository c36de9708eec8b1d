// Must not compile: a pixel kernel cannot see the document.
#include "lxImage.h"
