// The sound library's lock guard; it lives in the library's core (no Qt, no GStreamer).
#pragma once

#include "tindlib/core/SingleLockEx.h"
