#!/bin/sh
# Runs a test program on a private X server, and on a private session bus when one can be
# started, so that the tests see neither the desktop's tray nor its notification daemon.
# Input methods and the accessibility bridge of the desktop stay out as well.
export NO_AT_BRIDGE=1
export GTK_IM_MODULE=gtk-im-context-simple
export GDK_BACKEND=x11
unset WAYLAND_DISPLAY
if command -v dbus-run-session >/dev/null 2>&1; then
    exec dbus-run-session -- xvfb-run -a --server-args="-screen 0 1280x800x24" "$@"
fi
unset DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR
exec xvfb-run -a --server-args="-screen 0 1280x800x24" "$@"
