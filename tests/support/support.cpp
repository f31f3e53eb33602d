// Anchors the test-support library; the fakes themselves are header-only.
#include "fakes.h"
