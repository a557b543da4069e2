#!/bin/bash
# The CD+G engine stands on its own: a program built on it alone needs neither Qt nor
# GStreamer nor libsndfile nor the sound library's shared object.
set -u
needed=$(readelf -d "$1" | grep NEEDED) || { echo "no dynamic section in $1"; exit 1; }
echo "$needed"
if grep -Ei 'qt|gst|sndfile|tindlib' <<<"$needed"; then
    echo "FAIL: $1 pulls in the libraries above"
    exit 1
fi
