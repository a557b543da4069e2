# Sourced by scripts: starts a private PulseAudio server with a null output and points
# PULSE_SERVER at it, so the player uses its default output as on a desktop. The server
# and its folder go when the calling script exits.
start_null_sound_server() {
  if ! command -v pulseaudio >/dev/null; then
    echo "no pulseaudio: the player will say it has no audio output and play silently" >&2
    return 0
  fi
  null_server_dir=$(mktemp -d /tmp/quillet-pulse.XXXXXX)
  chmod 700 "$null_server_dir"
  XDG_RUNTIME_DIR=$null_server_dir HOME=$null_server_dir pulseaudio --daemonize=no \
    --exit-idle-time=-1 -n --use-pid-file=no --load="module-null-sink sink_name=null" \
    --load="module-native-protocol-unix socket=$null_server_dir/native" >/dev/null 2>&1 &
  null_server_pid=$!
  trap 'kill "$null_server_pid" 2>/dev/null; rm -rf "$null_server_dir"' EXIT
  for _ in $(seq 50); do [ -S "$null_server_dir/native" ] && break; sleep 0.1; done
  export PULSE_SERVER="unix:$null_server_dir/native"
}
