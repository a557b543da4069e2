// The sound library's byte ring; it lives in the library's core (no Qt, no GStreamer).
#pragma once

#include "tindlib/core/CyclicBuffer.h"
